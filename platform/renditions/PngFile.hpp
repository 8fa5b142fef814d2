#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include <opencv2/core.hpp>

namespace keepsift {

// A PNG's pixels as 8-bit BGR (alpha dropped) with its text chunks.
struct PngContents {
    cv::Mat bgr;
    std::map<std::string, std::string> text;
};

// Absent for anything that is not a readable PNG within the size limit.
std::optional<PngContents> readPng(const std::filesystem::path& path);
// Replaces the file whole, so readers never see half of it; false when it could not be
// encoded or written.
bool writePng(const std::filesystem::path& path, const cv::Mat& bgr,
              const std::map<std::string, std::string>& text);

} // namespace keepsift
