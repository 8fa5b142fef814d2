#pragma once

#include <string>
#include <vector>

#include "platform/library/MountTable.hpp"

namespace keepsift {

// What of the mount table bears on one folder: the mounts at or above it, one of which holds
// it, and those below it. A mount that comes, goes or changes there reads differently; one
// anywhere else on the machine does not.
struct FolderMounts {
    // The folder with its links resolved, as the table names it.
    std::string folder;
    std::vector<TableLine> mounts;

    static FolderMounts of(const std::string& folder,
                           const std::string& mountinfo = "/proc/self/mountinfo");
    bool operator==(const FolderMounts&) const = default;
};

} // namespace keepsift
