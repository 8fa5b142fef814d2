#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <opencv2/core.hpp>

namespace keepsift {

// A reduced rendition of an image file: decoded at the smallest size that reaches the target,
// turned upright, and resampled to exactly `target` pixels on its long side (upscaled when the
// original is smaller). BGR; absent when the file cannot be decoded.
std::optional<cv::Mat> renditionOfFile(const std::string& path, std::int64_t target);

} // namespace keepsift
