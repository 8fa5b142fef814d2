#pragma once

#include <cstdint>

#include <opencv2/core.hpp>

namespace keepsift {

// Reduced renditions are always this long on their long side, whatever they came from.
inline constexpr std::int64_t renditionLongSide = 512;

// Resampled so the long side is exactly `side`: area averaging when shrinking, bicubic when
// enlarging. Empty for an empty image.
cv::Mat resampleToLongSide(const cv::Mat& image, std::int64_t side = renditionLongSide);

} // namespace keepsift
