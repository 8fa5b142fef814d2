#include "platform/renditions/StampedPng.hpp"

#include "platform/renditions/LongSide.hpp"
#include "platform/renditions/PngFile.hpp"

namespace keepsift {

std::optional<cv::Mat> readStampedRendition(const std::filesystem::path& png,
                                            const ThumbnailStamp& stamp) {
    auto contents = readPng(png);
    if (!contents || !stamp.matches(contents->text)) return std::nullopt;
    return resampleToLongSide(contents->bgr);
}

} // namespace keepsift
