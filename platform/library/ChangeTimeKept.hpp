#pragma once

#include <string>

namespace keepsift {

// Whether the kernel itself keeps the change time of files on a file system of this kind
// (statfs's f_type), so that no write can leave it as it was. Elsewhere (FUSE, FAT, exFAT,
// NTFS, network shares) the change time is derived or handed over, often from the
// modification time anyone may set back: a status there proves no bytes.
bool keepsChangeTime(long fileSystemType);

// Of the file system the open file, or the path, is on now; false when it cannot be told.
bool changeTimeKeptFor(int fd);
bool changeTimeKeptAt(const std::string& path);

} // namespace keepsift
