#include "platform/library/Locality.hpp"

#include <array>
#include <sys/vfs.h>

namespace keepsift {
namespace {

// statfs magic numbers of filesystems whose files may be fetched on open.
constexpr std::array<unsigned long, 7> remoteFilesystems{
    0x65735546UL, // FUSE
    0x6969UL,     // NFS
    0xFF534D42UL, // CIFS
    0xFE534D42UL, // SMB2
    0x517BUL,     // SMB
    0x01021997UL, // 9P
    0x73757245UL, // Coda
};

bool onRemoteFilesystem(const std::string& path) {
    struct statfs info {};
    if (::statfs(path.c_str(), &info) != 0) return true;
    for (unsigned long magic : remoteFilesystems)
        if (static_cast<unsigned long>(info.f_type) == magic) return true;
    return false;
}

} // namespace

bool isKnownNonResident(const CatalogueResource& resource) {
    if (!resource.placeholder.empty()) return true;
    return resource.stamp.size > 0 && resource.stamp.blocks == 0;
}

Residency residencyOf(const std::string& absolutePath, const CatalogueResource& resource) {
    if (isKnownNonResident(resource)) return Residency::inCloud;
    return onRemoteFilesystem(absolutePath) ? Residency::unknown : Residency::resident;
}

} // namespace keepsift
