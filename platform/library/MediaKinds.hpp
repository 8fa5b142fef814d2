#pragma once

#include <string_view>

namespace keepsift {

// What a file in the library is, by its extension (case-insensitive).
enum class MediaKind { primaryImage, otherImage, raw, video, sidecar, other };

MediaKind mediaKind(std::string_view filename);
inline bool isImage(MediaKind kind) {
    return kind == MediaKind::primaryImage || kind == MediaKind::otherImage ||
           kind == MediaKind::raw;
}
// The name without its last extension.
std::string_view stemOf(std::string_view filename);
// The last extension without its dot, or empty.
std::string_view extensionOf(std::string_view filename);

} // namespace keepsift
