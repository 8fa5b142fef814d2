#include "platform/library/FolderMounts.hpp"

#include "platform/library/MountPoint.hpp"

namespace keepsift {
namespace {

bool isAtOrBelow(const std::string& path, const std::string& top) {
    if (top == "/") return true;
    return path.starts_with(top) && (path.size() == top.size() || path[top.size()] == '/');
}

} // namespace

FolderMounts FolderMounts::of(const std::string& folder, const std::string& mountinfo) {
    FolderMounts found{realFolderOf(folder), {}};
    for (auto& mount : liveMounts(mountinfo))
        if (isAtOrBelow(found.folder, mount.path) || isAtOrBelow(mount.path, found.folder))
            found.mounts.push_back(std::move(mount));
    return found;
}

} // namespace keepsift
