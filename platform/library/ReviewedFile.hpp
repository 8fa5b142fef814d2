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

enum class Holding {
    reviewed,
    other,
    // Its bytes were to be compared and could not be read.
    unreadable,
};

// Whether the file at the place, stamped `now`, still holds what was reviewed: the reviewed
// bytes, whatever happened to its permissions or times, read only where the status they were
// digested with does not prove them; without them, the same size, modification time, inode
// and change time.
Holding holdingOf(const Place& file, const ReviewedFile& reviewed, const FileStamp& now);

// The file as it is now, read through one descriptor: its status with the digest of its
// bytes; none where it could not be read or changed while it was.
std::optional<CompanionRead> readWithItsStatus(const Place& file);

inline bool stillReviewed(const Place& file, const ReviewedFile& reviewed, const FileStamp& now) {
    return holdingOf(file, reviewed, now) == Holding::reviewed;
}

} // namespace keepsift
