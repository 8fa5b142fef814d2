#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <opencv2/core.hpp>

#include "platform/imaging/ImageProperties.hpp"

namespace keepsift {

// An encoded image held in memory with the properties its container declares. Pixels are
// decoded only on request, at the size asked for.
class ImageSource {
public:
    static constexpr std::int64_t maximumFileBytes = 1LL << 31;

    // Absent when the file cannot be read or holds no image format we know.
    static std::optional<ImageSource> fromFile(const std::string& path);
    static std::optional<ImageSource> fromData(std::vector<std::uint8_t> bytes);

    // Absent when even the container's header cannot be read.
    const std::optional<ImageProperties>& properties() const { return properties_; }
    std::int64_t byteCount() const { return static_cast<std::int64_t>(bytes_.size()); }

    // 8-bit BGR pixels in stored orientation whose long edge is at least targetLongEdge where
    // the format can decode at a reduced size (otherwise full size); absent on any decode error.
    std::optional<cv::Mat> decode(std::int64_t targetLongEdge) const;

private:
    explicit ImageSource(std::vector<std::uint8_t> bytes, ImageFormat format);

    std::vector<std::uint8_t> bytes_;
    ImageFormat format_;
    std::optional<ImageProperties> properties_;
};

// Shrinks with area averaging so the long edge is at most maxSide; smaller images are kept.
cv::Mat fitWithin(const cv::Mat& image, std::int64_t maxSide);

} // namespace keepsift
