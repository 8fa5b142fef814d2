#pragma once

#include <optional>

#include "core/model/ReviewedBytes.hpp"
#include "platform/library/FileSystemOps.hpp"

namespace keepsift {

// What a review of a file rests on: the bytes reviewed where they are known, else the file
// as it was measured or last listed.
struct ReviewedFile {
    FileStamp stamp;
    std::optional<ReviewedBytes> bytes = std::nullopt;
};

// The file at the place, stamped `now`, still holds what was reviewed: the reviewed bytes,
// whatever happened to its permissions or times; without them, the same size, modification
// time, inode and change time.
bool stillReviewed(const Place& file, const ReviewedFile& reviewed, const FileStamp& now);

} // namespace keepsift
