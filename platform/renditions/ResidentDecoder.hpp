#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <opencv2/core.hpp>

namespace keepsift {

// A resident original's pixels, upright, at least `targetLongSide` long where the format can
// decode at a reduced size; absent when the file cannot be decoded.
std::optional<cv::Mat> decodeResident(const std::string& path, std::int64_t targetLongSide);

} // namespace keepsift
