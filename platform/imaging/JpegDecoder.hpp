#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include <opencv2/core.hpp>

#include "platform/imaging/DecodeLimits.hpp"

namespace keepsift {

// TurboJPEG with DCT scaling: only as many pixels as the caller needs are reconstructed.
namespace jpeg {

std::optional<PixelSize> headerSize(std::span<const std::uint8_t> bytes);
// The smallest DCT-scaled size whose long edge is at least targetLongEdge (full size when none
// is). A stream that ends early fails the decode; stray bytes the decoder skips do not.
std::optional<cv::Mat> decode(std::span<const std::uint8_t> bytes, std::int64_t targetLongEdge);

} // namespace jpeg
} // namespace keepsift
