#pragma once

#include <functional>

#include <opencv2/core.hpp>

#include "platform/library/PhotoLibraryPort.hpp"

namespace keepsift {

// Renditions for the folder library: a resident original decoded, else the desktop's
// thumbnail, else Keepsift's own cache; reduced to the asked long side, or the largest picture
// there is when none is that large, never enlarged. A non-resident original is never opened.
// Absent for a target outside 1...16384.
class CachedRenditionSource : public RenditionSource {
public:
    // 8-bit BGR pixels, upright, with a long side of at least the target where the picture is
    // that large; absent on failure.
    using Decoder =
        std::function<std::optional<cv::Mat>(const std::string& path, std::int64_t targetLongSide)>;

    // Resident originals go through the image decoder; without a decoder only the caches
    // answer.
    CachedRenditionSource();
    explicit CachedRenditionSource(Decoder decoder) : decoder_(std::move(decoder)) {}

    std::optional<PortImage> rendition(const std::string& originalPath, bool resident,
                                       std::int64_t target) override;

private:
    std::optional<cv::Mat> decoded(const std::string& originalPath, std::int64_t target);
    static std::optional<cv::Mat> cached(const std::string& originalPath, std::int64_t target);

    Decoder decoder_;
};

// Interleaved RGB rows without padding, as the port hands pixels over.
PortImage portImage(const cv::Mat& bgr);

} // namespace keepsift
