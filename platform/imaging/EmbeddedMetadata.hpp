#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/imaging/ImageProperties.hpp"

namespace keepsift {

// What a file's EXIF and XMP say, read by exiv2 from its header alone (no pixels decoded).
struct EmbeddedMetadata {
    // The container's size and the camera's EXIF fields; the format is left unknown.
    ImageProperties properties;
    // EXIF PixelXDimension and PixelYDimension.
    std::optional<std::int64_t> exifPixelWidth;
    std::optional<std::int64_t> exifPixelHeight;
    // XMP rating.
    std::optional<int> rating;
    // The XMP records an editor's history.
    bool editHistory = false;

    bool operator==(const EmbeddedMetadata&) const = default;
};

// Absent when there is no file, no format exiv2 knows, or its metadata is damaged. The path
// read touches the file's header only, which keeps listing a large folder fast.
std::optional<EmbeddedMetadata> readEmbeddedMetadata(const std::string& path);
std::optional<EmbeddedMetadata> readEmbeddedMetadata(std::span<const std::uint8_t> bytes);

} // namespace keepsift
