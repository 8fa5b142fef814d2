#include "platform/library/MediaKinds.hpp"

#include <algorithm>
#include <array>

namespace keepsift {
namespace {

constexpr std::array<std::string_view, 5> primaryExtensions{"jpg", "jpeg", "heic", "heif", "avif"};
constexpr std::array<std::string_view, 6> otherImageExtensions{"png",  "tif", "tiff",
                                                               "webp", "gif", "jxl"};
constexpr std::array<std::string_view, 22> rawExtensions{
    "cr2", "cr3", "crw", "nef", "nrw", "arw", "srf", "sr2", "dng", "orf", "rw2",
    "raf", "pef", "srw", "x3f", "3fr", "iiq", "erf", "mos", "mrw", "kdc", "dcr"};
constexpr std::array<std::string_view, 3> videoExtensions{"mov", "mp4", "m4v"};
constexpr std::array<std::string_view, 2> sidecarExtensions{"xmp", "pp3"};

template <size_t N>
bool contains(const std::array<std::string_view, N>& list, std::string_view value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

// Every known extension is short; longer ones are of no kind we list.
constexpr size_t longestExtension = 4;

} // namespace

std::string_view extensionOf(std::string_view filename) {
    auto dot = filename.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return {};
    return filename.substr(dot + 1);
}

std::string_view stemOf(std::string_view filename) {
    auto dot = filename.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return filename;
    return filename.substr(0, dot);
}

MediaKind mediaKind(std::string_view filename) {
    std::string_view original = extensionOf(filename);
    if (original.empty() || original.size() > longestExtension) return MediaKind::other;
    char lower[longestExtension];
    for (size_t i = 0; i < original.size(); ++i) {
        char c = original[i];
        lower[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    std::string_view extension(lower, original.size());
    if (contains(primaryExtensions, extension)) return MediaKind::primaryImage;
    if (contains(otherImageExtensions, extension)) return MediaKind::otherImage;
    if (contains(rawExtensions, extension)) return MediaKind::raw;
    if (contains(videoExtensions, extension)) return MediaKind::video;
    if (contains(sidecarExtensions, extension)) return MediaKind::sidecar;
    return MediaKind::other;
}

} // namespace keepsift
