#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "core/model/ReviewedBytes.hpp"
#include "platform/library/BoundedRead.hpp"
#include "platform/library/FileSystemOps.hpp"

namespace keepsift {

// How much older than a read a file's change time must be for its status to prove the bytes
// read: more than the coarsest time stamps of the drives a library lives on (FAT keeps two
// seconds), so that no write made after the read began can leave the status as it was.
constexpr std::int64_t racyMarginNs = 2'000'000'000;

// The stamp taken as the read began, where it proves the bytes read: the file stood through
// the read, and its status last changed clearly before the read began.
std::optional<FileStamp> provingStamp(const FileStamp& began, const FileStamp& ended,
                                      std::int64_t readBeganNs);

// Hands the file over in chunks as streamWholeFile does, with the stamp that proves what was
// handed over, where one does: only on a file system whose change time the kernel keeps.
int streamProvenFile(const Place& place,
                     const std::function<void(std::vector<std::uint8_t>)>& chunk,
                     std::optional<FileStamp>& proving);

// An image file read whole as readImageFile reads it, with the stamp that proves the bytes
// read, where one does.
BoundedRead readProvenImageFile(const Place& place, std::optional<FileStamp>& proving);

DigestedStatus digestedStatusOf(const FileStamp& stamp);

// The file, stamped now, is still the one whose bytes the status proved, judged on the file
// system it is on now: a drive mounted another way, or a folder mounted over, may keep no
// change time where the status was taken on one that did.
bool stillProvenBy(const DigestedStatus& status, const Place& file, const FileStamp& now);

} // namespace keepsift
