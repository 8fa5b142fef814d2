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

// Of photographs a listing left out, those whose storage went away rather than being deleted.
// Each is looked for from its folder up to the nearest folder that is still there; that folder
// went away with them when it holds no photograph at all and is the library root, a mount
// point, or held many of them: an unmounted drive and a sync client's bare folder leave just
// that, while a deleted folder is gone and a deleted photograph leaves its neighbours.
std::vector<std::string> vanishedStorage(const std::string& root,
                                         const std::vector<MissingPhotograph>& missing,
                                         const std::set<std::string>& mountPoints);

// The mount points a filesystem table names (absolute paths, escapes undone); none when it
// cannot be read.
std::set<std::string> tableMountPoints(const std::string& table = "/etc/fstab");

} // namespace keepsift
