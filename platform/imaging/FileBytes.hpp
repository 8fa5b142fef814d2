#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace keepsift {

// Reads exactly `count` bytes at `offset` unless the file ends first (`got` says how many
// came); false on a read error.
bool readAt(int fd, std::int64_t offset, std::uint8_t* into, std::int64_t count, std::int64_t& got);

// A file looked at piece by piece through its descriptor, never past the size it had when
// opened, its integers in the byte order its container uses.
class FileBytes {
public:
    FileBytes(int fd, std::int64_t size, bool littleEndian)
        : fd_(fd), size_(size), littleEndian_(littleEndian) {}

    std::int64_t size() const { return size_; }
    // Nothing when the piece does not lie wholly inside the file or cannot be read.
    std::optional<std::vector<std::uint8_t>> at(std::int64_t offset, std::int64_t count) const;
    std::optional<std::uint64_t> integerAt(std::int64_t offset, int width) const;
    std::uint64_t integerIn(std::span<const std::uint8_t> bytes, size_t offset, int width) const;

private:
    int fd_;
    std::int64_t size_;
    bool littleEndian_;
};

} // namespace keepsift
