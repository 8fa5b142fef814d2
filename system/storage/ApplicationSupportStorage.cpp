#include "system/storage/ApplicationSupportStorage.hpp"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/AtomicFile.hpp"
#include "platform/files/OpenedFile.hpp"
#include "platform/files/PrivateFiles.hpp"
#include "platform/files/ReplacedPlace.hpp"
#include "platform/files/XdgFolders.hpp"

namespace keepsift {
namespace {

constexpr const char* writeCheckName = ".write-check";

bool isAccessError(int error) {
    return error == EACCES || error == EPERM || error == EIO;
}

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

std::shared_ptr<ApplicationSupportStorage>
ApplicationSupportStorage::whenAvailable(std::string_view folderName) {
    std::filesystem::path directory;
    try {
        directory = xdgDataHome() / folderName;
    } catch (const std::exception&) {
        // No home folder: nothing can be kept, which unavailability() tells.
    }
    return std::shared_ptr<ApplicationSupportStorage>(
        new ApplicationSupportStorage(Later{}, std::move(directory)));
}

// Entries are looked at and removed relative to the open folder, never through a link.
void ApplicationSupportStorage::removeLeftoverTemporaries(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return;
    DIR* entries = ::fdopendir(fd);
    if (entries == nullptr) {
        ::close(fd);
        return;
    }
    while (const dirent* entry = ::readdir(entries)) {
        struct stat info {};
        if (isTemporaryFileName(entry->d_name) &&
            ::fstatat(fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode))
            ::unlinkat(fd, entry->d_name, 0);
    }
    ::closedir(entries);
}

std::optional<std::string> ApplicationSupportStorage::unavailability() const {
    if (directory_.empty()) return "there is no home folder to keep files in";
    if (auto error = makePrivateFolder(directory_))
        return "cannot create " + directory_.string() + ": " + error.message();
    const auto probe = directory_ / writeCheckName;
    try {
        replaceFileAtomically(probe, "ok\n");
    } catch (const std::system_error& error) {
        return "cannot write in " + directory_.string() + ": " + error.code().message();
    }
    std::error_code ignored;
    std::filesystem::remove(probe, ignored);
    return std::nullopt;
}

// A read of the first block shows an input/output error as well as a refused open. Anything
// but a regular file is left to the read to tell, and not opened. A link into a folder that is
// not there (its storage away) is no missing file.
int ApplicationSupportStorage::openError(const std::string& name) const {
    if (!isPlainName(name) || directory_.empty()) return 0;
    const auto path = directory_ / name;
    const OpenedFile file(path);
    if (file.error != 0) {
        if (isAccessError(file.error)) return file.error;
        return file.error == ENOENT && !replacedPlace(path) ? ENOLINK : 0;
    }
    if (!file.isRegular()) return 0;
    char block[4096];
    return ::read(file.fd, block, sizeof block) < 0 && isAccessError(errno) ? errno : 0;
}

std::filesystem::path ApplicationSupportStorage::pathOf(const std::string& name) const {
    if (!isPlainName(name)) throw std::invalid_argument("not a plain file name: " + name);
    if (directory_.empty()) throw std::runtime_error("there is no home folder to keep files in");
    return directory_ / name;
}

std::optional<Data> ApplicationSupportStorage::read(const std::string& name) const {
    return readAtMost(name, largestStoredFileBytes).data;
}

StoredFile ApplicationSupportStorage::readAtMost(const std::string& name, std::size_t limit) const {
    if (!isPlainName(name) || directory_.empty()) return {};
    auto read = readPrivateFile(directory_ / name, limit);
    return {std::move(read.content), std::move(read.problem)};
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
    return isPlainName(name) && !directory_.empty() &&
           std::filesystem::exists(std::filesystem::symlink_status(directory_ / name, error));
}

void ApplicationSupportStorage::move(const std::string& from, const std::string& to) {
    renameFile(pathOf(from), pathOf(to));
}

} // namespace keepsift
