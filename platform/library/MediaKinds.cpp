#include "platform/library/MediaKinds.hpp"

#include <algorithm>
#include <array>
#include <string>

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

std::string lowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

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
    std::string extension = lowerAscii(extensionOf(filename));
    if (contains(primaryExtensions, extension)) return MediaKind::primaryImage;
    if (contains(otherImageExtensions, extension)) return MediaKind::otherImage;
    if (contains(rawExtensions, extension)) return MediaKind::raw;
    if (contains(videoExtensions, extension)) return MediaKind::video;
    if (contains(sidecarExtensions, extension)) return MediaKind::sidecar;
    return MediaKind::other;
}

} // namespace keepsift
