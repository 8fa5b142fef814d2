#pragma once

#include <filesystem>
#include <optional>

#include <opencv2/core.hpp>

namespace keepsift {

// The desktop's shared thumbnail cache ($XDG_CACHE_HOME/thumbnails): reading only. A
// thumbnail counts only while its URI and modification time still match the original.
class ThumbnailCache {
public:
    // The sizes whose thumbnails are at least as large as a reduced rendition, smallest first.
    static constexpr const char* folders[] = {"x-large", "xx-large"};

    // The first valid thumbnail, resampled to the rendition size.
    static std::optional<cv::Mat> rendition(const std::filesystem::path& original);
};

} // namespace keepsift
