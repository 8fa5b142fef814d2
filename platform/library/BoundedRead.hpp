#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/library/FileSystemOps.hpp"

namespace keepsift {

// One file read whole, never past the size it had when opened nor past a cap.
struct BoundedRead {
    std::optional<std::vector<std::uint8_t>> bytes;
    // The file as it was read (valid when bytes are present).
    FileStamp stamp;
    // errno value when no bytes came: EFBIG above the cap.
    int error = 0;
};

BoundedRead readWholeFile(const std::string& path, std::int64_t maximumBytes);

} // namespace keepsift
