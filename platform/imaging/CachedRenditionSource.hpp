#pragma once

#include <filesystem>

#include <opencv2/core.hpp>

#include "platform/library/PhotoLibraryPort.hpp"

namespace keepsift {

// Reduced renditions for the folder library: a resident original decoded at the target size
// (and kept in Keepsift's own rendition cache for when the original leaves this machine);
// otherwise the freedesktop.org thumbnail cache (x-large, then xx-large) when its URI and
// MTime match the original; otherwise the own cache. A file that is not resident is never
// opened, only looked up by its path. Always exactly `target` pixels on the long side.
class CachedRenditionSource final : public RenditionSource {
public:
    struct Folders {
        std::filesystem::path thumbnails; // $XDG_CACHE_HOME/thumbnails
        std::filesystem::path own;        // $XDG_CACHE_HOME/com.ambervale.keepsift/renditions
    };
    static Folders defaultFolders();

    explicit CachedRenditionSource(Folders folders = defaultFolders());
    std::optional<PortImage> rendition(const std::string& originalPath, bool resident,
                                       std::int64_t target) override;

private:
    std::optional<cv::Mat> fromThumbnailCache(const std::filesystem::path& original,
                                              std::int64_t modified) const;
    std::filesystem::path ownEntry(const std::filesystem::path& original,
                                   std::int64_t modified) const;
    void keep(const std::filesystem::path& entry, const cv::Mat& rendition) const;

    Folders folders_;
};

} // namespace keepsift
