#pragma once

#include <cstdint>
#include <span>

namespace keepsift {

enum class ImageFormat { jpeg, heif, raw, tiff, png, webp, other, unknown };

// Recognises the container from its first bytes; TIFF-based RAW files read as tiff and are
// told apart by the RAW decoder.
ImageFormat sniffImageFormat(std::span<const std::uint8_t> bytes);

} // namespace keepsift
