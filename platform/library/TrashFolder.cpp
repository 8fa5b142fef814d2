#include "platform/library/TrashFolder.hpp"

#include <cerrno>
#include <climits>
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

// Whether a link at the place of a Trash folder is followed: never on a drive others share,
// as the freedesktop.org Trash specification asks; in the user's data folder only where the
// user made it (a Trash kept in another folder of theirs). Where it leads is checked as any
// Trash folder is.
enum class Links { neverFollowed, ownFollowed };

// The folder the user's own link at `name` leads to; a link anyone else made is not
// followed (EPERM). The link is read through the very entry whose owner was checked.
int openOwnLink(int parent, const std::string& name, uid_t user) {
    const int link = ::openat(parent, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (link < 0) return -1;
    struct stat info {};
    char target[PATH_MAX];
    ssize_t size = -1;
    if (::fstat(link, &info) == 0) {
        if (!S_ISLNK(info.st_mode))
            errno = ENOTDIR;
        else if (info.st_uid != user)
            errno = EPERM;
        else
            size = ::readlinkat(link, "", target, sizeof target - 1);
    }
    closeKeepingErrno(link);
    if (size < 0) return -1;
    target[size] = '\0';
    return ::openat(parent, target, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

int openOrMake(int parent, const std::string& name, uid_t user, Links links) {
    int fd = ::openat(parent, name.c_str(), folderFlags);
    if (fd >= 0) return fd;
    if ((errno == ELOOP || errno == ENOTDIR) && links == Links::ownFollowed)
        return openOwnLink(parent, name, user);
    if (errno != ENOENT) return -1;
    if (::mkdirat(parent, name.c_str(), privateMode) != 0 && errno != EEXIST) return -1;
    return ::openat(parent, name.c_str(), folderFlags);
}

// A folder of another user's that is closed to the user cannot be opened to be looked at;
// its status still says whose it is.
std::string whyNotOpened(int parent, const std::string& name, uid_t user, int error) {
    if (error == ELOOP || error == ENOTDIR) return "is a symbolic link or not a folder";
    struct stat info {};
    if (::fstatat(parent, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 || info.st_uid == user)
        return "";
    if (error == EACCES) return "belongs to another user";
    if (error == EPERM && S_ISLNK(info.st_mode))
        return "is a symbolic link that belongs to another user";
    return "";
}

// The user's own folder below `parent`, created when missing. One that others may write to
// may already hold what they planted; one that is only readable by others (as Keepsift once
// made its Trash folders) is the user's alone and is made private.
int openPrivateFolder(int parent, const std::string& name, uid_t user, Links links,
                      std::string& reason) {
    int fd = openOrMake(parent, name, user, links);
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
TrashRefusal checkInside(const TrashFolder& trash, uid_t user, Links links) {
    for (const char* name : {"files", "info"}) {
        std::string reason;
        int fd = openPrivateFolder(trash.fd(), name, user, links, reason);
        if (fd < 0) return {errno, reason.empty() ? "" : trash.path() + "/" + name + " " + reason};
        ::close(fd);
    }
    return {};
}

TrashRefusal openUserTrash(int parent, const std::string& parentPath, const std::string& name,
                           uid_t user, Links links, TrashFolder& trash) {
    std::string path = parentPath + "/" + name;
    std::string reason;
    int fd = openPrivateFolder(parent, name, user, links, reason);
    if (fd < 0) return {errno, reason.empty() ? "" : path + " " + reason};
    TrashFolder opened(fd, path);
    TrashRefusal refusal = checkInside(opened, user, links);
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

// The data folder is reached through the links on its way, as a dotfiles manager keeps it;
// what decides is whose folder it is.
HomeTrash openHomeTrash(const std::string& path, uid_t user) {
    const std::filesystem::path place(path);
    const std::string dataHome = place.parent_path().string();
    HomeTrash home;
    const std::error_code made = createPrivateFolders(dataHome);
    const int parent = made ? -1 : ::open(dataHome.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat info {};
    if (made)
        home.refusal = {made.value(), ""};
    else if (parent < 0 || ::fstat(parent, &info) != 0)
        home.refusal = {errno, ""};
    else if (home.drive = info.st_dev; info.st_uid != user)
        home.refusal = {EPERM, dataHome + " belongs to another user"};
    else
        home.refusal = openUserTrash(parent, dataHome, place.filename().string(), user,
                                     Links::ownFollowed, home.trash);
    if (parent >= 0) ::close(parent);
    return home;
}

TrashRefusal openTopTrash(const std::string& topdir, uid_t user, TrashFolder& trash) {
    int top = ::open(topdir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (top < 0) return {errno, ""};
    TrashRefusal refusal;
    if (int shared = openSharedTrash(top); shared >= 0) {
        refusal = openUserTrash(shared, joined(topdir, ".Trash"), std::to_string(user), user,
                                Links::neverFollowed, trash);
        ::close(shared);
    }
    if (!trash.isOpen())
        refusal = openUserTrash(top, topdir == "/" ? "" : topdir, ".Trash-" + std::to_string(user),
                                user, Links::neverFollowed, trash);
    ::close(top);
    return refusal;
}

} // namespace keepsift
