#include "platform/renditions/ThumbnailCache.hpp"

#include "platform/files/XdgFolders.hpp"
#include "platform/renditions/StampedPng.hpp"

namespace keepsift {

std::optional<cv::Mat> ThumbnailCache::rendition(const std::filesystem::path& original) {
    const auto stamp = ThumbnailStamp::of(original);
    if (!stamp) return std::nullopt;
    const auto root = xdgCacheHome() / "thumbnails";
    for (const char* folder : folders)
        if (auto image = readStampedRendition(root / folder / stamp->fileName(), *stamp))
            return image;
    return std::nullopt;
}

} // namespace keepsift
