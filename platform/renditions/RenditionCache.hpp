#pragma once

#include <filesystem>
#include <optional>

#include <opencv2/core.hpp>

#include "platform/renditions/ThumbnailStamp.hpp"

namespace keepsift {

// Keepsift's own cache of reduced renditions, kept the way the desktop keeps thumbnails
// (named by the MD5 of the original's URI, stamped with its URI and modification time), so
// a rendition outlives its original's eviction but not a change to it.
class RenditionCache {
public:
    static std::filesystem::path folder();
    static std::filesystem::path file(const ThumbnailStamp& stamp);
    // As stored.
    static std::optional<cv::Mat> rendition(const std::filesystem::path& original);
    // Keeps the image reduced to the rendition size, a smaller one as it is; false when it
    // could not be written.
    static bool store(const std::filesystem::path& original, const cv::Mat& bgr);
};

} // namespace keepsift
