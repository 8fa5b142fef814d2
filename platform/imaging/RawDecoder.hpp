#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include <opencv2/core.hpp>

#include "platform/imaging/DecodeLimits.hpp"

namespace keepsift::raw {

// Camera RAW through libraw. The embedded JPEG preview is used when its long edge reaches
// the target; otherwise the sensor data is developed at half size.
std::optional<PixelSize> headerSize(std::span<const std::uint8_t> bytes);
std::optional<cv::Mat> decode(std::span<const std::uint8_t> bytes, std::int64_t targetLongEdge);

} // namespace keepsift::raw
