#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/library/FileSystemOps.hpp"

namespace keepsift {

// Files of the library read through descriptors, never through a link below the root.

// One image file read whole, never past the size it had when opened, and only when its head
// shows an image that can use that many bytes.
struct BoundedRead {
    std::optional<std::vector<std::uint8_t>> bytes;
    // The file as it was read (valid when bytes are present).
    FileStamp stamp;
    // errno value when no bytes came: EINVAL for no image we know, EFBIG for a file larger
    // than its picture can need.
    int error = 0;
};

BoundedRead readImageFile(const Place& place);
// The same from an open file, from its start.
BoundedRead readOpenImageFile(int fd);

// Hands the file over in chunks; 0 or the errno value of what failed.
int streamWholeFile(const Place& place,
                    const std::function<void(std::vector<std::uint8_t>)>& chunk);
// The same for a file already open, from where its descriptor stands.
int streamDescriptor(int fd, const std::function<void(std::vector<std::uint8_t>)>& chunk);

} // namespace keepsift
