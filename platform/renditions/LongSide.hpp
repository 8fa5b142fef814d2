#pragma once

#include <cstdint>

#include <opencv2/core.hpp>

namespace keepsift {

// Reduced renditions are this long on their long side, or shorter where no larger picture
// exists.
inline constexpr std::int64_t renditionLongSide = 512;

// Shrunk by area averaging so the long side is `side`; an image no longer than that comes
// back as it is, since enlarging would only pretend to detail that is not there. Empty for an
// empty image.
cv::Mat reduceToLongSide(const cv::Mat& image, std::int64_t side = renditionLongSide);

} // namespace keepsift
