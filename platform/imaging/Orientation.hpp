#pragma once

#include <cstdint>

#include <opencv2/core.hpp>

namespace keepsift {

// Turns stored pixels upright as the EXIF orientation (1 to 8) says; other values leave the
// image as stored.
cv::Mat upright(const cv::Mat& stored, std::uint32_t orientation);

} // namespace keepsift
