#include "platform/library/FileSystemOps.hpp"

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <linux/openat2.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace keepsift {
namespace {

int resultOf(int returned) {
    return returned == 0 ? 0 : errno;
}

FolderEntry::Kind kindFrom(mode_t mode) {
    if (S_ISREG(mode)) return FolderEntry::Kind::file;
    if (S_ISDIR(mode)) return FolderEntry::Kind::directory;
    if (S_ISLNK(mode)) return FolderEntry::Kind::symlink;
    return FolderEntry::Kind::other;
}

FolderEntry::Kind kindFromType(unsigned char type) {
    switch (type) {
    case DT_REG:
        return FolderEntry::Kind::file;
    case DT_DIR:
        return FolderEntry::Kind::directory;
    case DT_LNK:
        return FolderEntry::Kind::symlink;
    default:
        return FolderEntry::Kind::other;
    }
}

int writeAll(int fd, const std::string& contents) {
    size_t written = 0;
    while (written < contents.size()) {
        ssize_t n = ::write(fd, contents.data() + written, contents.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        written += static_cast<size_t>(n);
    }
    return ::fsync(fd) == 0 ? 0 : errno;
}

void closeKeepingErrno(int fd) {
    int saved = errno;
    ::close(fd);
    errno = saved;
}

// Below the anchor, one name at a time, none of them a link: for kernels without openat2.
int openEachName(int fd, const std::string& relative) {
    size_t start = 0;
    while (fd >= 0 && start < relative.size()) {
        size_t slash = relative.find('/', start);
        size_t end = slash == std::string::npos ? relative.size() : slash;
        std::string name = relative.substr(start, end - start);
        int next = name == ".." ? (errno = EXDEV, -1)
                                : ::openat(fd, name.c_str(),
                                           O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        closeKeepingErrno(fd);
        fd = next;
        start = end + 1;
    }
    return fd;
}

int openBelow(int anchor, const std::string& relative) {
    open_how how{};
    how.flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    how.resolve = RESOLVE_NO_SYMLINKS | RESOLVE_BENEATH;
    long fd = ::syscall(SYS_openat2, anchor, relative.c_str(), &how, sizeof how);
    if (fd >= 0 || (errno != ENOSYS && errno != EPERM)) {
        closeKeepingErrno(anchor);
        return static_cast<int>(fd);
    }
    return openEachName(anchor, relative);
}

// The folder that holds a place, open, and the place's own name in it.
struct Parent {
    explicit Parent(const Place& place) {
        auto slash = place.relative.rfind('/');
        std::string folder = slash == std::string::npos ? "" : place.relative.substr(0, slash);
        name = place.relative.substr(slash == std::string::npos ? 0 : slash + 1);
        if (name.empty() || name == "." || name == "..") {
            errno = EINVAL;
            return;
        }
        fd = openFolder({place.anchor, folder, place.anchorFd});
    }
    ~Parent() {
        if (fd >= 0) closeKeepingErrno(fd);
    }
    Parent(const Parent&) = delete;
    Parent& operator=(const Parent&) = delete;

    int fd = -1;
    std::string name;
};

} // namespace

int openFolder(const Place& folder) {
    int anchor = folder.anchorFd >= 0
                     ? ::fcntl(folder.anchorFd, F_DUPFD_CLOEXEC, 0)
                     : ::open(folder.anchor.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (anchor < 0 || folder.relative.empty()) return anchor;
    return openBelow(anchor, folder.relative);
}

int openFileBelow(const Place& file) {
    Parent parent(file);
    if (parent.fd < 0) return -1;
    // A pipe or device put in a file's place is never waited on; callers read regular files.
    return ::openat(parent.fd, parent.name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
}

DIR* FileSystemOps::openDirectory(const Place& folder) {
    int fd = openFolder(folder);
    if (fd < 0) return nullptr;
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) closeKeepingErrno(fd);
    return dir;
}

int FileSystemOps::makeSymlink(const std::string& target, const Place& link) {
    Parent parent(link);
    if (parent.fd < 0) return errno;
    return resultOf(::symlinkat(target.c_str(), parent.fd, parent.name.c_str()));
}

int FileSystemOps::removeFile(const Place& file) {
    Parent parent(file);
    if (parent.fd < 0) return errno;
    return resultOf(::unlinkat(parent.fd, parent.name.c_str(), 0));
}

int FileSystemOps::makeDirectory(const Place& folder) {
    Parent parent(folder);
    if (parent.fd < 0) return errno;
    return resultOf(::mkdirat(parent.fd, parent.name.c_str(), 0700));
}

int FileSystemOps::renamePath(const Place& from, const Place& to) {
    Parent source(from);
    if (source.fd < 0) return errno;
    Parent destination(to);
    if (destination.fd < 0) return errno;
    return resultOf(
        ::renameat(source.fd, source.name.c_str(), destination.fd, destination.name.c_str()));
}

int FileSystemOps::renameWithoutReplacing(const Place& from, const Place& to) {
    Parent source(from);
    if (source.fd < 0) return errno;
    Parent destination(to);
    if (destination.fd < 0) return errno;
    const int error = resultOf(::renameat2(source.fd, source.name.c_str(), destination.fd,
                                           destination.name.c_str(), RENAME_NOREPLACE));
    if (error != EINVAL && error != ENOSYS && error != EOPNOTSUPP) return error;
    if (::linkat(source.fd, source.name.c_str(), destination.fd, destination.name.c_str(), 0) != 0)
        return errno;
    return resultOf(::unlinkat(source.fd, source.name.c_str(), 0));
}

int FileSystemOps::writeNewFile(const Place& file, const std::string& contents) {
    Parent parent(file);
    if (parent.fd < 0) return errno;
    int fd = ::openat(parent.fd, parent.name.c_str(),
                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return errno;
    int error = writeAll(fd, contents);
    ::close(fd);
    if (error != 0) ::unlinkat(parent.fd, parent.name.c_str(), 0);
    return error;
}

std::shared_ptr<FileSystemOps> realFileSystem() {
    static auto shared = std::make_shared<FileSystemOps>();
    return shared;
}

FolderListing listFolder(FileSystemOps& ops, const Place& folder, ListingDetail detail) {
    FolderListing listing;
    DIR* dir = ops.openDirectory(folder);
    if (dir == nullptr) {
        listing.error = errno != 0 ? errno : EIO;
        return listing;
    }
    int fd = ::dirfd(dir);
    for (;;) {
        errno = 0;
        dirent* entry = ::readdir(dir);
        if (entry == nullptr) break;
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (detail == ListingDetail::kindsOnly && entry->d_type != DT_UNKNOWN) {
            listing.entries.push_back({std::move(name), kindFromType(entry->d_type), {}});
            continue;
        }
        struct stat info {};
        if (::fstatat(fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
        listing.entries.push_back({std::move(name), kindFrom(info.st_mode), stampOf(info)});
    }
    if (errno != 0) listing.error = errno;
    ::closedir(dir);
    return listing;
}

// Nanoseconds since 1970, clamped where a far past or future time does not fit.
std::int64_t nanosecondsOf(const struct timespec& time) {
    constexpr std::int64_t perSecond = 1000000000;
    constexpr std::int64_t largest = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t smallest = std::numeric_limits<std::int64_t>::min();
    auto seconds = static_cast<std::int64_t>(time.tv_sec);
    if (seconds > largest / perSecond - 1) return largest;
    if (seconds < smallest / perSecond + 1) return smallest;
    return seconds * perSecond + static_cast<std::int64_t>(time.tv_nsec);
}

FileStamp stampOf(const struct stat& info) {
    return FileStamp{static_cast<std::int64_t>(info.st_size),
                     nanosecondsOf(info.st_mtim),
                     static_cast<std::uint64_t>(info.st_ino),
                     static_cast<std::int64_t>(info.st_blocks),
                     nanosecondsOf(info.st_ctim),
                     static_cast<std::uint64_t>(info.st_dev)};
}

bool stampOf(const Place& place, FileStamp& stamp) {
    struct stat info {};
    if (place.relative.empty()) {
        int failed = place.anchorFd >= 0 ? ::fstat(place.anchorFd, &info)
                                         : ::stat(place.anchor.c_str(), &info);
        if (failed != 0) return false;
    } else {
        Parent parent(place);
        if (parent.fd < 0 ||
            ::fstatat(parent.fd, parent.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
            return false;
    }
    stamp = stampOf(info);
    return true;
}

bool stampOf(const std::string& path, FileStamp& stamp) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return false;
    stamp = stampOf(info);
    return true;
}

} // namespace keepsift
