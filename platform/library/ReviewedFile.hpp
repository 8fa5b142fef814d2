#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/library/FileSystemOps.hpp"

namespace keepsift {

// What a review of a file rests on: the file as it was measured, else as last listed, and
// the digest of the bytes measured.
struct ReviewedFile {
    FileStamp stamp;
    std::optional<std::string> digest = std::nullopt;
};

std::optional<std::string> digestOf(std::span<const std::uint8_t> bytes);

// The file at the place, stamped `now`, still holds what was reviewed: the same size,
// modification time and inode and, where its status changed since (other bytes written in
// with the times put back, or only a chmod), the same bytes.
bool stillReviewed(const Place& file, const ReviewedFile& reviewed, const FileStamp& now);

} // namespace keepsift
