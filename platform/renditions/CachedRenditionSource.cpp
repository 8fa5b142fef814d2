#include "platform/renditions/CachedRenditionSource.hpp"

#include <algorithm>
#include <stdexcept>

#include <opencv2/imgproc.hpp>

#include "platform/renditions/LongSide.hpp"
#include "platform/renditions/RenditionCache.hpp"
#include "platform/renditions/ResidentDecoder.hpp"
#include "platform/renditions/StampedPng.hpp"
#include "platform/renditions/ThumbnailCache.hpp"

namespace keepsift {
namespace {

// Beyond this a request is a mistake, not a rendition: the pixels alone would be gigabytes.
constexpr std::int64_t largestTarget = 16'384;

} // namespace

CachedRenditionSource::CachedRenditionSource() : decoder_(decodeResident) {}

PortImage portImage(const cv::Mat& bgr) {
    cv::Mat rgb;
    cv::cvtColor(bgr, rgb, cv::COLOR_BGR2RGB);
    if (!rgb.isContinuous()) rgb = rgb.clone();
    PortImage image{rgb.cols, rgb.rows, {}};
    image.rgb.assign(rgb.datastart, rgb.dataend);
    return image;
}

std::optional<cv::Mat> CachedRenditionSource::decoded(const std::string& originalPath,
                                                      std::int64_t target) {
    if (!decoder_) return std::nullopt;
    const std::int64_t side = std::max(target, renditionLongSide);
    auto image = decoder_(originalPath, side);
    if (!image || image->empty() || image->type() != CV_8UC3) return std::nullopt;
    // Kept for the day the original is evicted; without a home folder there is nowhere to.
    // Only a decode at the rendition size is kept, so the copy is the same whoever asked.
    try {
        if (side == renditionLongSide) RenditionCache::store(originalPath, *image);
    } catch (const std::runtime_error&) {
    }
    return image;
}

// The caches live below the home folder: without one they only miss.
std::optional<cv::Mat> CachedRenditionSource::cached(const std::string& originalPath,
                                                     std::int64_t target) {
    try {
        const auto stamp = ThumbnailStamp::of(originalPath);
        if (!stamp) return std::nullopt;
        auto files = ThumbnailCache::files(*stamp);
        files.push_back(RenditionCache::file(*stamp));
        return largestStampedRendition(files, *stamp, target);
    } catch (const std::runtime_error&) {
        return std::nullopt;
    }
}

std::optional<PortImage> CachedRenditionSource::rendition(const std::string& originalPath,
                                                          bool resident, std::int64_t target) {
    if (target < 1 || target > largestTarget) return std::nullopt;
    std::optional<cv::Mat> image;
    if (resident) image = decoded(originalPath, target);
    if (!image) image = cached(originalPath, target);
    if (!image) return std::nullopt;
    return portImage(reduceToLongSide(*image, target));
}

} // namespace keepsift
