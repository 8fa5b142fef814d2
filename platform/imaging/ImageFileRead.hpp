#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace keepsift {

// An image file read whole from an open descriptor, never further than a decoder can use:
// its head is looked at first, and the rest is read only when the head shows an image we
// know whose picture can need a file of that size.
struct ImageFileRead {
    std::optional<std::vector<std::uint8_t>> bytes;
    // EINVAL: no image we know; EFBIG: larger than its picture can need or than any image
    // we read; else the errno value of a failed read.
    int error = 0;
};

ImageFileRead readImageFile(int fd, std::int64_t size);
// 0 when readImageFile would read the file, else the error it would give.
int imageFileRefusal(int fd, std::int64_t size);

// The largest file the image that starts with this head can usefully be, its frame header
// or container structure read through the descriptor where it lies further on: nothing for
// no image we know, or for a container that breaks off before its picture.
std::optional<std::int64_t> usableImageBytes(int fd, std::int64_t size,
                                             std::span<const std::uint8_t> head);

// A JPEG's head up to its scan, where all its metadata lies: its segments are followed by
// their lengths, and a damaged one ends the head, so that no reader walks the rest of a huge
// file byte by byte looking for a marker. Nothing for a file that is no JPEG.
std::optional<std::vector<std::uint8_t>> readJpegMetadata(int fd);

} // namespace keepsift
