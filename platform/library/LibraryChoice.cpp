#include "platform/library/LibraryChoice.hpp"

#include <fstream>

#include "platform/files/XdgFolders.hpp"

namespace keepsift {
namespace {

namespace fs = std::filesystem;

// Absolute, without "." and "..", and without a trailing separator.
fs::path normalised(const fs::path& folder, const fs::path& workingFolder) {
    fs::path path = (folder.is_absolute() ? folder : workingFolder / folder).lexically_normal();
    if (path.has_parent_path() && !path.has_filename()) path = path.parent_path();
    return path;
}

fs::path resolved(const fs::path& path) {
    std::error_code error;
    fs::path real = fs::weakly_canonical(path, error);
    return error ? path : real;
}

// The folder is the home folder or one of its parents (also through symbolic links).
bool holdsHome(const fs::path& folder, const fs::path& home) {
    const fs::path real = resolved(folder), realHome = resolved(home);
    auto mismatch = std::mismatch(real.begin(), real.end(), realHome.begin(), realHome.end());
    return mismatch.first == real.end() ||
           (std::next(mismatch.first) == real.end() && mismatch.first->empty());
}

// XDG_PICTURES_DIR="$HOME/Bilder" or an absolute path; anything else is ignored.
std::optional<fs::path> picturesFromLine(const std::string& line, const fs::path& home) {
    const std::string key = "XDG_PICTURES_DIR=\"";
    if (line.rfind(key, 0) != 0) return std::nullopt;
    const auto end = line.rfind('"');
    if (end < key.size()) return std::nullopt;
    const std::string value = line.substr(key.size(), end - key.size());
    if (value.rfind("$HOME", 0) == 0) return fs::path(home.string() + value.substr(5));
    if (!value.empty() && value[0] == '/') return fs::path(value);
    return std::nullopt;
}

} // namespace

LibraryChoice chooseLibrary(const LibraryCandidates& candidates) {
    LibraryChoice choice;
    auto usable = [&](const std::optional<std::string>& name) -> std::optional<fs::path> {
        if (!name || name->empty()) return std::nullopt;
        const fs::path folder = normalised(*name, candidates.workingFolder);
        if (holdsHome(folder, candidates.home)) return std::nullopt;
        return folder;
    };
    if (auto named = usable(candidates.named)) return {*named, LibraryChoice::Source::named, {}};
    if (candidates.named && !candidates.named->empty())
        choice.refused = normalised(*candidates.named, candidates.workingFolder);
    if (auto remembered = usable(candidates.remembered)) {
        choice.root = *remembered;
        choice.source = LibraryChoice::Source::remembered;
        return choice;
    }
    if (candidates.xdgPictures)
        if (auto pictures = usable(candidates.xdgPictures->string())) {
            choice.root = *pictures;
            return choice;
        }
    choice.root = normalised(candidates.home / "Pictures", candidates.workingFolder);
    std::error_code error;
    if (!fs::is_directory(choice.root, error))
        choice.source = LibraryChoice::Source::missingPictures;
    return choice;
}

std::optional<fs::path> xdgPicturesSetting() {
    try {
        std::ifstream file(xdgConfigHome() / "user-dirs.dirs");
        const fs::path home = homeFolder();
        for (std::string line; std::getline(file, line);)
            if (auto path = picturesFromLine(line, home)) return path;
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

LibraryCandidates environmentCandidates(std::optional<std::string> named,
                                        std::optional<std::string> remembered) {
    LibraryCandidates candidates;
    candidates.named = std::move(named);
    candidates.remembered = std::move(remembered);
    candidates.xdgPictures = xdgPicturesSetting();
    try {
        candidates.home = homeFolder();
    } catch (const std::exception&) {
        candidates.home = "/";
    }
    std::error_code error;
    candidates.workingFolder = fs::current_path(error);
    if (error) candidates.workingFolder = "/";
    return candidates;
}

} // namespace keepsift
