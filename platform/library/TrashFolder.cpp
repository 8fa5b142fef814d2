#include "platform/library/TrashFolder.hpp"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "platform/files/PrivateFiles.hpp"

namespace keepsift {
namespace {

constexpr mode_t privateMode = 0700;
constexpr int folderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

void closeKeepingErrno(int fd) {
    int saved = errno;
    ::close(fd);
    errno = saved;
}

int openOrMake(int parent, const std::string& name) {
    int fd = ::openat(parent, name.c_str(), folderFlags);
    if (fd >= 0 || errno != ENOENT) return fd;
    if (::mkdirat(parent, name.c_str(), privateMode) != 0 && errno != EEXIST) return -1;
    return ::openat(parent, name.c_str(), folderFlags);
}

// A folder of another user's that is closed to the user cannot be opened to be looked at;
// its status still says whose it is.
std::string whyNotOpened(int parent, const std::string& name, uid_t user, int error) {
    if (error == ELOOP || error == ENOTDIR) return "is a symbolic link or not a folder";
    struct stat info {};
    if (error == EACCES && ::fstatat(parent, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
        info.st_uid != user)
        return "belongs to another user";
    return "";
}

// The user's own folder below `parent`, created when missing. One that others may write to
// may already hold what they planted; one that is only readable by others (as Keepsift once
// made its Trash folders) is the user's alone and is made private.
int openPrivateFolder(int parent, const std::string& name, uid_t user, std::string& reason) {
    int fd = openOrMake(parent, name);
    if (fd < 0) {
        const int error = errno;
        reason = whyNotOpened(parent, name, user, error);
        errno = error;
        return -1;
    }
    struct stat info {};
    int error = 0;
    if (::fstat(fd, &info) != 0)
        error = errno;
    else if (info.st_uid != user)
        error = EPERM, reason = "belongs to another user";
    else if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        error = EPERM, reason = "may be written to by other users";
    else if ((info.st_mode & 07777) != privateMode && ::fchmod(fd, privateMode) != 0)
        error = errno, reason = "cannot be made private";
    if (error == 0) return fd;
    ::close(fd);
    errno = error;
    return -1;
}

// Its files and info folders, private too.
TrashRefusal checkInside(const TrashFolder& trash, uid_t user) {
    for (const char* name : {"files", "info"}) {
        std::string reason;
        int fd = openPrivateFolder(trash.fd(), name, user, reason);
        if (fd < 0) return {errno, reason.empty() ? "" : trash.path() + "/" + name + " " + reason};
        ::close(fd);
    }
    return {};
}

TrashRefusal openUserTrash(int parent, const std::string& parentPath, const std::string& name,
                           uid_t user, TrashFolder& trash) {
    std::string path = parentPath + "/" + name;
    std::string reason;
    int fd = openPrivateFolder(parent, name, user, reason);
    if (fd < 0) return {errno, reason.empty() ? "" : path + " " + reason};
    TrashFolder opened(fd, path);
    TrashRefusal refusal = checkInside(opened, user);
    if (refusal.error == 0) trash = std::move(opened);
    return refusal;
}

// $topdir/.Trash, open, when it is a real sticky folder; -1 otherwise. It is never made.
int openSharedTrash(int top) {
    int fd = ::openat(top, ".Trash", folderFlags);
    struct stat info {};
    if (fd < 0 || (::fstat(fd, &info) == 0 && (info.st_mode & S_ISVTX) != 0)) return fd;
    ::close(fd);
    return -1;
}

std::string joined(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

} // namespace

TrashFolder::~TrashFolder() {
    if (fd_ >= 0) closeKeepingErrno(fd_);
}

TrashFolder::TrashFolder(TrashFolder&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

TrashFolder& TrashFolder::operator=(TrashFolder&& other) noexcept {
    if (this == &other) return *this;
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
    path_ = std::move(other.path_);
    return *this;
}

TrashRefusal openHomeTrash(const std::string& path, TrashFolder& trash) {
    if (auto error = createPrivateFolders(std::filesystem::path(path).parent_path()))
        return {error.value(), ""};
    if (::mkdir(path.c_str(), privateMode) != 0 && errno != EEXIST) return {errno, ""};
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return {errno, ""};
    TrashFolder opened(fd, path);
    for (const char* name : {"files", "info"})
        if (::mkdirat(fd, name, privateMode) != 0 && errno != EEXIST) return {errno, ""};
    trash = std::move(opened);
    return {};
}

TrashRefusal openTopTrash(const std::string& topdir, uid_t user, TrashFolder& trash) {
    int top = ::open(topdir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (top < 0) return {errno, ""};
    TrashRefusal refusal;
    if (int shared = openSharedTrash(top); shared >= 0) {
        refusal =
            openUserTrash(shared, joined(topdir, ".Trash"), std::to_string(user), user, trash);
        ::close(shared);
    }
    if (!trash.isOpen())
        refusal = openUserTrash(top, topdir == "/" ? "" : topdir, ".Trash-" + std::to_string(user),
                                user, trash);
    ::close(top);
    return refusal;
}

} // namespace keepsift
