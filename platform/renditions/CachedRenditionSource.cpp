#include "platform/renditions/CachedRenditionSource.hpp"

#include <stdexcept>

#include <opencv2/imgproc.hpp>

#include "platform/renditions/LongSide.hpp"
#include "platform/renditions/RenditionCache.hpp"
#include "platform/renditions/ResidentDecoder.hpp"
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

std::optional<cv::Mat> CachedRenditionSource::decoded(const std::string& originalPath) {
    if (!decoder_) return std::nullopt;
    auto image = decoder_(originalPath, renditionLongSide);
    if (!image || image->empty() || image->type() != CV_8UC3) return std::nullopt;
    // Kept for the day the original is evicted; without a home folder there is nowhere to.
    try {
        RenditionCache::store(originalPath, *image);
    } catch (const std::runtime_error&) {
    }
    return image;
}

// The caches live below the home folder: without one they only miss.
std::optional<cv::Mat> CachedRenditionSource::cached(const std::string& originalPath) {
    try {
        if (auto image = ThumbnailCache::rendition(originalPath)) return image;
        return RenditionCache::rendition(originalPath);
    } catch (const std::runtime_error&) {
        return std::nullopt;
    }
}

std::optional<PortImage> CachedRenditionSource::rendition(const std::string& originalPath,
                                                          bool resident, std::int64_t target) {
    if (target < 1 || target > largestTarget) return std::nullopt;
    std::optional<cv::Mat> image;
    if (resident) image = decoded(originalPath);
    if (!image) image = cached(originalPath);
    if (!image) return std::nullopt;
    return portImage(resampleToLongSide(*image, target));
}

} // namespace keepsift
