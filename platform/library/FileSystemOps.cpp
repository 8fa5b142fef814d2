#include "platform/library/FileSystemOps.hpp"

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
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

} // namespace

DIR* FileSystemOps::openDirectory(const std::string& path) {
    return ::opendir(path.c_str());
}

int FileSystemOps::makeSymlink(const std::string& target, const std::string& linkPath) {
    return resultOf(::symlink(target.c_str(), linkPath.c_str()));
}

int FileSystemOps::removeFile(const std::string& path) {
    return resultOf(::unlink(path.c_str()));
}

int FileSystemOps::makeDirectory(const std::string& path) {
    return resultOf(::mkdir(path.c_str(), 0755));
}

int FileSystemOps::renamePath(const std::string& from, const std::string& to) {
    return resultOf(::rename(from.c_str(), to.c_str()));
}

int FileSystemOps::writeNewFile(const std::string& path, const std::string& contents) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return errno;
    int error = writeAll(fd, contents);
    ::close(fd);
    if (error != 0) ::unlink(path.c_str());
    return error;
}

std::shared_ptr<FileSystemOps> realFileSystem() {
    static auto shared = std::make_shared<FileSystemOps>();
    return shared;
}

FolderListing listFolder(FileSystemOps& ops, const std::string& path, ListingDetail detail) {
    FolderListing listing;
    DIR* dir = ops.openDirectory(path);
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
    return FileStamp{static_cast<std::int64_t>(info.st_size), nanosecondsOf(info.st_mtim),
                     static_cast<std::uint64_t>(info.st_ino),
                     static_cast<std::int64_t>(info.st_blocks)};
}

bool stampOf(const std::string& path, FileStamp& stamp) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return false;
    stamp = stampOf(info);
    return true;
}

} // namespace keepsift
