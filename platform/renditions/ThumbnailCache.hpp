#pragma once

#include <filesystem>
#include <vector>

#include "platform/renditions/ThumbnailStamp.hpp"

namespace keepsift {

// The desktop's shared thumbnail cache ($XDG_CACHE_HOME/thumbnails): reading only. A
// thumbnail counts only while its URI and modification time still match the original.
class ThumbnailCache {
public:
    // The sizes whose thumbnails are at least as large as a reduced rendition, smallest first.
    static constexpr const char* folders[] = {"x-large", "xx-large"};

    // Where the thumbnails of the stamped original would be, in the order they are tried.
    static std::vector<std::filesystem::path> files(const ThumbnailStamp& stamp);
};

} // namespace keepsift
