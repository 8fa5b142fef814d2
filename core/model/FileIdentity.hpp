#pragma once

#include <cstdint>

namespace keepsift {

// What the file system tells of the file behind a photograph, where the library says: its
// number on its drive and when its status last changed. Either moves when the file is
// replaced or rewritten at its path, also within its modification second, and when it is
// only touched (chmod, times set back): its bytes tell which.
struct FileIdentity {
    std::int64_t number = 0;
    std::int64_t changedNs = 0;

    bool operator==(const FileIdentity&) const = default;
};

} // namespace keepsift
