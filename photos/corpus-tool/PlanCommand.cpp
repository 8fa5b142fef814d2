#include "photos/corpus-tool/PlanCommand.hpp"

#include "core/corpus/CorpusImport.hpp"
#include "photos/corpus-tool/CorpusFolders.hpp"
#include "photos/corpus-tool/FileDigest.hpp"
#include "photos/corpus-tool/ToolError.hpp"

namespace keepsift::corpustool {
namespace {

std::vector<CorpusImport::Photograph> photographs(const fs::path& folder) {
    std::vector<CorpusImport::Photograph> out;
    for (const auto& file : photographFiles(folder)) {
        auto digest = fileDigest(file);
        if (!digest) throw BadInput(file.string() + " cannot be read");
        out.push_back({fileName(file), *digest});
    }
    return out;
}

std::vector<CorpusImport::Staged> stagedFolders(const fs::path& staging) {
    std::vector<CorpusImport::Staged> staged;
    for (const auto& folder : subfolders(staging)) {
        const auto manifest = readManifest(folder);
        staged.push_back({fileName(folder), manifest.has_value(), photographs(folder),
                          manifest ? std::optional(manifest->humanOverrode) : std::nullopt});
    }
    return staged;
}

std::vector<CorpusImport::Existing> existingFolders(const fs::path& corpus) {
    std::vector<CorpusImport::Existing> existing;
    for (const auto& folder : subfolders(corpus))
        existing.push_back({fileName(folder), photographs(folder)});
    return existing;
}

// A rename, or a copy and removal when the two folders lie on different file systems.
void moveFolder(const fs::path& from, const fs::path& to, std::error_code& error) {
    fs::rename(from, to, error);
    if (error != std::errc::cross_device_link) return;
    error.clear();
    fs::copy(from, to, fs::copy_options::recursive, error);
    if (!error) fs::remove_all(from, error);
}

// Every destination is checked before anything moves.
void applyMoves(const std::vector<CorpusImport::Move>& moves, const fs::path& staging,
                const fs::path& corpus, std::ostream& out) {
    std::error_code error;
    for (const auto& move : moves)
        if (fs::exists(corpus / move.destination, error) || error)
            throw BadInput((corpus / move.destination).string() + " already exists");
    for (const auto& move : moves) {
        moveFolder(staging / move.staged, corpus / move.destination, error);
        if (error)
            throw BadInput("cannot move " + (staging / move.staged).string() + " to " +
                           (corpus / move.destination).string() + ": " + error.message());
        out << "moved " << move.staged << " to " << (corpus / move.destination).string() << "\n";
    }
}

} // namespace

int planCommand(const fs::path& staging, const fs::path& corpus, bool apply, std::ostream& out,
                std::ostream& err) {
    const auto plan = CorpusImport::plan(stagedFolders(staging), existingFolders(corpus));
    if (plan.hasRefusals()) {
        for (const auto& refusal : plan.refusals)
            err << refusal << "\n";
        err << "nothing moved: " << plan.refusals.size() << " refusal(s)\n";
        return 1;
    }
    out << CorpusImport::report(plan.moves) << "\n";
    if (apply) applyMoves(plan.moves, staging, corpus, out);
    return 0;
}

} // namespace keepsift::corpustool
