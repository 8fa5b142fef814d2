#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include <opencv2/core.hpp>

#include "platform/imaging/DecodeLimits.hpp"

namespace keepsift::heif {

// HEIC, HEIF and AVIF through libheif. The primary image is decoded with its stored
// transformations applied, so it comes out upright.
std::optional<PixelSize> headerSize(std::span<const std::uint8_t> bytes);
std::optional<cv::Mat> decode(std::span<const std::uint8_t> bytes);

} // namespace keepsift::heif
