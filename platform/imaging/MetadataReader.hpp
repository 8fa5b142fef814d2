#pragma once

#include <cstdint>
#include <span>

#include "platform/imaging/ImageProperties.hpp"

namespace keepsift {

// Fills the EXIF and TIFF fields (and the pixel size when the container gives one) from the
// file's metadata through exiv2. Unreadable metadata leaves the fields as they are.
void readMetadata(std::span<const std::uint8_t> bytes, ImageProperties& properties);

} // namespace keepsift
