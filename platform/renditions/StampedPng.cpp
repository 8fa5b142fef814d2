#include "platform/renditions/StampedPng.hpp"

#include <algorithm>

#include "platform/renditions/PngFile.hpp"

namespace keepsift {
namespace {

int longSideOf(const cv::Mat& image) {
    return std::max(image.cols, image.rows);
}

} // namespace

std::optional<cv::Mat> readStampedRendition(const std::filesystem::path& png,
                                            const ThumbnailStamp& stamp) {
    auto contents = readPng(png);
    if (!contents || !stamp.matches(contents->text)) return std::nullopt;
    return std::move(contents->bgr);
}

std::optional<cv::Mat> largestStampedRendition(const std::vector<std::filesystem::path>& pngs,
                                               const ThumbnailStamp& stamp, std::int64_t target) {
    std::optional<cv::Mat> largest;
    for (const auto& png : pngs) {
        auto image = readStampedRendition(png, stamp);
        if (!image) continue;
        if (longSideOf(*image) >= target) return image;
        if (!largest || longSideOf(*image) > longSideOf(*largest)) largest = std::move(image);
    }
    return largest;
}

} // namespace keepsift
