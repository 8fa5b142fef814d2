#pragma once

#include <string>

namespace keepsift {

// The folder at which the mount holding this absolute, link-free path is mounted: the
// highest folder above it still on the same mount. Bind mounts count as mounts of their own,
// since a rename never crosses one. Empty, with errno set, when the path cannot be read.
std::string mountPointOf(const std::string& realPath);

// The path with every symbolic link and "." or ".." resolved; empty, with errno set, when
// some part of it cannot be read.
std::string realPathOf(const std::string& path);
// The same, or the path as given when it cannot be resolved.
std::string realFolderOf(const std::string& path);

} // namespace keepsift
