#include "platform/renditions/ThumbnailCache.hpp"

#include "platform/files/XdgFolders.hpp"

namespace keepsift {

std::vector<std::filesystem::path> ThumbnailCache::files(const ThumbnailStamp& stamp) {
    const auto root = xdgCacheHome() / "thumbnails";
    std::vector<std::filesystem::path> result;
    for (const char* folder : folders)
        result.push_back(root / folder / stamp.fileName());
    return result;
}

} // namespace keepsift
