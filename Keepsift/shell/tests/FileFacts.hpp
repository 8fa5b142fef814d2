#pragma once

#include <filesystem>
#include <sys/stat.h>

namespace keepsift::testing {

// Permission bits of a file; 0 when it is missing.
inline unsigned fileMode(const std::filesystem::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// The file's inode: a file replaced by a rename gets a new one.
inline ino_t fileInode(const std::filesystem::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

} // namespace keepsift::testing
