#pragma once

#include <opencv2/core.hpp>

namespace keepsift {

// A side x side grey copy of the picture: area-resampled (stretched, never cropped) and then
// turned to luma. One byte per pixel, rows packed. Empty for an empty picture.
cv::Mat greyGrid(const cv::Mat& bgr, int side);

} // namespace keepsift
