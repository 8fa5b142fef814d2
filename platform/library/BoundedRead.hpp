#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/library/FileSystemOps.hpp"

namespace keepsift {

// Files of the library read through descriptors, never through a link below the root.

// One file read whole, never past the size it had when opened nor past a cap.
struct BoundedRead {
    std::optional<std::vector<std::uint8_t>> bytes;
    // The file as it was read (valid when bytes are present).
    FileStamp stamp;
    // errno value when no bytes came: EFBIG above the cap.
    int error = 0;
};

BoundedRead readWholeFile(const Place& place, std::int64_t maximumBytes);

// Hands the file over in chunks; 0 or the errno value of what failed.
int streamWholeFile(const Place& place,
                    const std::function<void(std::vector<std::uint8_t>)>& chunk);

} // namespace keepsift
