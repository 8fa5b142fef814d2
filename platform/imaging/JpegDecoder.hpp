#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include <opencv2/core.hpp>

#include "platform/imaging/DecodeLimits.hpp"

namespace keepsift {

// libjpeg with DCT scaling: only as many pixels as the caller needs are reconstructed.
namespace jpeg {

std::optional<PixelSize> headerSize(std::span<const std::uint8_t> bytes);
// The memory a decode for targetLongEdge takes, from the header alone: the output and, for
// progressive and multi-scan files, the whole-image coefficient buffer. Nothing when the
// header cannot be read.
std::optional<std::int64_t> decodeMemory(std::span<const std::uint8_t> bytes,
                                         std::int64_t targetLongEdge);
// The smallest DCT-scaled size whose long edge is at least targetLongEdge (full size when none
// is), within the decode memory budget. Any warning that means missing image data fails the
// decode; stray bytes the decoder skips do not. CMYK files are converted to BGR.
std::optional<cv::Mat> decode(std::span<const std::uint8_t> bytes, std::int64_t targetLongEdge);

} // namespace jpeg
} // namespace keepsift
