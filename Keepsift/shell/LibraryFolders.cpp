#include "Keepsift/shell/LibraryFolders.hpp"

#include <QByteArray>
#include <QCryptographicHash>
#include <vector>

#include "core/index/IndexFiles.hpp"
#include "core/storage/UserDefaults.hpp"
#include "platform/files/PrivateFiles.hpp"

namespace keepsift::app {
namespace {

namespace fs = std::filesystem;

bool holdsEngineFiles(const fs::path& folder) {
    std::error_code error;
    for (std::string_view name : {IndexFiles::indexName, IndexFiles::journalName})
        if (fs::exists(folder / name, error)) return true;
    return false;
}

// The engine's files with their kept and beside copies ("library-index.json.unreadable.2").
bool isEngineFile(const std::string& name) {
    for (std::string_view stem : {IndexFiles::indexName, IndexFiles::journalName})
        if (name.starts_with(stem)) return true;
    return false;
}

// A relative link, as a dotfiles manager makes, is made anew to lead to the same file from
// the deeper folder.
void moveKeepingWhereItLeads(const fs::path& from, const fs::path& to, std::error_code& error) {
    const fs::path leadsTo = fs::read_symlink(from, error);
    if (error || leadsTo.is_absolute()) {
        error.clear();
        return fs::rename(from, to, error);
    }
    const fs::path whence = fs::canonical(from.parent_path(), error);
    if (!error) fs::create_symlink(whence / leadsTo, to, error);
    if (!error) fs::remove(from, error);
}

} // namespace

std::optional<std::string> rememberedLibrary(const UserDefaults& defaults) {
    auto folder = defaults.dataForKey(rememberedLibraryKey);
    if (!folder || folder->empty()) return std::nullopt;
    return folder;
}

LibraryChoice settleLibrary(UserDefaults& defaults, std::optional<std::string> named) {
    const LibraryChoice choice =
        chooseLibrary(environmentCandidates(std::move(named), rememberedLibrary(defaults)));
    if (choice.source == LibraryChoice::Source::named &&
        rememberedLibrary(defaults) != choice.root.string())
        defaults.setObject(choice.root.string(), rememberedLibraryKey);
    return choice;
}

std::string libraryKey(const fs::path& library) {
    std::error_code error;
    fs::path real = fs::weakly_canonical(library, error);
    if (error) real = library.lexically_normal();
    const QByteArray digest = QCryptographicHash::hash(QByteArray::fromStdString(real.string()),
                                                       QCryptographicHash::Sha256);
    return digest.toHex().left(16).toStdString();
}

fs::path librariesFolder(const fs::path& support) {
    return support / "libraries";
}

fs::path libraryDataFolder(const fs::path& support, const fs::path& library) {
    return librariesFolder(support) / libraryKey(library);
}

void adoptSharedFiles(const fs::path& support, const fs::path& folder) {
    if (!holdsEngineFiles(support) || holdsEngineFiles(folder)) return;
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(support, error), end; !error && it != end; it.increment(error)) {
        std::error_code ignored;
        const std::string name = it->path().filename().string();
        if (isEngineFile(name) && it->is_regular_file(ignored)) names.push_back(name);
    }
    if (makePrivateFolder(folder)) return;
    for (const std::string& name : names)
        moveKeepingWhereItLeads(support / name, folder / name, error);
}

} // namespace keepsift::app
