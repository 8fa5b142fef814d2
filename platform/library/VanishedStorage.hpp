#pragma once

#include <set>
#include <string>
#include <vector>

namespace keepsift {

// A photograph a listing left out: its identifier and the folder (relative, on-disk) it was in.
struct MissingPhotograph {
    std::string id;
    std::string folder;
};

// What is known of the mounts that may lie below a library (absolute paths, links resolved).
struct StorageMounts {
    // Mounted on now.
    std::set<std::string> mounted;
    // Declared in the filesystem table, or seen mounted before: storage that may be away now.
    std::set<std::string> known;
};

// Of photographs a listing left out, those whose storage went away rather than being deleted.
// Each lay on the mount of the nearest mount point above it, else on the library root's.
// That storage went away when the mount point is no longer mounted on and is gone or holds no
// photograph, or when the root holds none: an unmounted drive leaves just that. Photographs
// gone from a drive still mounted, or from a folder still there, were deleted.
std::vector<std::string> vanishedStorage(const std::string& root,
                                         const std::vector<MissingPhotograph>& missing,
                                         const StorageMounts& mounts);

} // namespace keepsift
