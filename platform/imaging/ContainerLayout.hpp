#pragma once

#include <cstdint>
#include <optional>

#include "platform/imaging/DecodeLimits.hpp"

namespace keepsift {

// What a container declares about itself, read from its structure alone: a file whose
// structure breaks off where it promises more has no layout, or one that ends early.
struct ContainerLayout {
    // The largest picture it declares.
    std::optional<PixelSize> picture;
    // Where its last well-formed part ends, for containers whose parts follow one another.
    std::optional<std::int64_t> contentEnd;
};

// Keeps the larger picture by area; one with a side beyond any decode's limits is no picture.
void keepLargerPicture(ContainerLayout& layout, PixelSize picture);

// RIFF chunks of a WebP; a layout only when a picture chunk comes before they break off.
std::optional<ContainerLayout> webpLayout(int fd, std::int64_t size);
// The directories of a TIFF or a RAW built on TIFF, with the largest picture they declare.
std::optional<ContainerLayout> tiffLayout(int fd, std::int64_t size);
// Top-level boxes of an ISO media file (HEIF, AVIF, CR3); the pictures its HEIF items declare.
std::optional<ContainerLayout> isoMediaLayout(int fd, std::int64_t size);
// GIF, BMP and Fuji RAF, whose heads say it all.
std::optional<ContainerLayout> headerLayout(int fd, std::int64_t size);

} // namespace keepsift
