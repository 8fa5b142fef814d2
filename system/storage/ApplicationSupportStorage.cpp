#include "system/storage/ApplicationSupportStorage.hpp"

#include <stdexcept>

#include "platform/files/AtomicFile.hpp"
#include "platform/files/PrivateFiles.hpp"
#include "platform/files/XdgFolders.hpp"

namespace keepsift {
namespace {

bool isPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

} // namespace

ApplicationSupportStorage::ApplicationSupportStorage(std::string_view folderName)
    : ApplicationSupportStorage(InDirectory{}, xdgDataHome() / folderName) {}

ApplicationSupportStorage ApplicationSupportStorage::inDirectory(std::filesystem::path directory) {
    return ApplicationSupportStorage(InDirectory{}, std::move(directory));
}

ApplicationSupportStorage::ApplicationSupportStorage(InDirectory, std::filesystem::path directory)
    : directory_(std::move(directory)) {
    if (auto error = makePrivateFolder(directory_))
        throw std::filesystem::filesystem_error("cannot make the folder", directory_, error);
}

std::filesystem::path ApplicationSupportStorage::pathOf(const std::string& name) const {
    if (!isPlainName(name)) throw std::invalid_argument("not a plain file name: " + name);
    return directory_ / name;
}

std::optional<Data> ApplicationSupportStorage::read(const std::string& name) const {
    if (!isPlainName(name)) return std::nullopt;
    return readWholeFile(directory_ / name);
}

void ApplicationSupportStorage::write(const Data& data, const std::string& name) {
    replaceFileAtomically(pathOf(name), data);
}

void ApplicationSupportStorage::writeParts(const FileParts& parts, const std::string& name) {
    replaceFileAtomically(pathOf(name), parts);
}

void ApplicationSupportStorage::remove(const std::string& name) {
    const auto path = pathOf(name);
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(path, error))) return;
    std::filesystem::remove(path);
}

bool ApplicationSupportStorage::exists(const std::string& name) const {
    std::error_code error;
    return isPlainName(name) &&
           std::filesystem::exists(std::filesystem::symlink_status(directory_ / name, error));
}

void ApplicationSupportStorage::move(const std::string& from, const std::string& to) {
    renameFile(pathOf(from), pathOf(to));
}

} // namespace keepsift
