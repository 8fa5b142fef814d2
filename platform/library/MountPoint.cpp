#include "platform/library/MountPoint.hpp"

#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace keepsift {
namespace {

// Which mount a path lies on: the mount id where the kernel tells it, else the device.
struct MountIdentity {
    bool hasMountId = false;
    unsigned long long mountId = 0;
    unsigned long long device = 0;

    bool sameMount(const MountIdentity& other) const {
        if (hasMountId && other.hasMountId) return mountId == other.mountId;
        return device == other.device;
    }
};

bool identityOf(const std::string& path, MountIdentity& identity) {
    struct statx info {};
    if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_MNT_ID, &info) != 0)
        return false;
    identity.hasMountId = (info.stx_mask & STATX_MNT_ID) != 0;
    identity.mountId = info.stx_mnt_id;
    identity.device = makedev(info.stx_dev_major, info.stx_dev_minor);
    return true;
}

std::string parentOf(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

} // namespace

std::string mountPointOf(const std::string& realPath) {
    MountIdentity own;
    if (!identityOf(realPath, own)) return {};
    std::string top = realPath;
    while (top != "/") {
        std::string parent = parentOf(top);
        MountIdentity above;
        if (!identityOf(parent, above) || !above.sameMount(own)) break;
        top = parent;
    }
    return top;
}

std::string realPathOf(const std::string& path) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) return {};
    return resolved;
}

std::string realFolderOf(const std::string& path) {
    std::string real = realPathOf(path);
    return real.empty() ? path : real;
}

} // namespace keepsift
