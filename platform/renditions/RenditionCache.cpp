#include "platform/renditions/RenditionCache.hpp"

#include "platform/files/PrivateFiles.hpp"
#include "platform/files/XdgFolders.hpp"
#include "platform/renditions/LongSide.hpp"
#include "platform/renditions/PngFile.hpp"
#include "platform/renditions/StampedPng.hpp"

namespace keepsift {

std::filesystem::path RenditionCache::folder() {
    return xdgCacheHome() / "com.ambervale.keepsift" / "renditions";
}

std::filesystem::path RenditionCache::file(const ThumbnailStamp& stamp) {
    return folder() / stamp.fileName();
}

std::optional<cv::Mat> RenditionCache::rendition(const std::filesystem::path& original) {
    const auto stamp = ThumbnailStamp::of(original);
    if (!stamp) return std::nullopt;
    return readStampedRendition(file(*stamp), *stamp);
}

bool RenditionCache::store(const std::filesystem::path& original, const cv::Mat& bgr) {
    const auto stamp = ThumbnailStamp::of(original);
    if (!stamp || bgr.empty()) return false;
    if (makePrivateFolder(folder().parent_path()) || makePrivateFolder(folder())) return false;
    return writePng(file(*stamp), reduceToLongSide(bgr), stamp->text());
}

} // namespace keepsift
