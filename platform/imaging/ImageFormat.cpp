#include "platform/imaging/ImageFormat.hpp"

#include <algorithm>
#include <array>
#include <string_view>

namespace keepsift {
namespace {

bool startsWith(std::span<const std::uint8_t> bytes, std::string_view prefix, size_t offset = 0) {
    if (bytes.size() < offset + prefix.size()) return false;
    return std::equal(prefix.begin(), prefix.end(), bytes.begin() + offset,
                      [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

ImageFormat isoMediaFormat(std::span<const std::uint8_t> bytes) {
    static constexpr std::array<std::string_view, 8> heifBrands = {"heic", "heix", "hevc", "hevx",
                                                                   "mif1", "msf1", "avif", "avis"};
    for (auto brand : heifBrands) {
        if (startsWith(bytes, brand, 8)) return ImageFormat::heif;
    }
    if (startsWith(bytes, "crx ", 8)) return ImageFormat::raw;
    return ImageFormat::unknown;
}

} // namespace

ImageFormat sniffImageFormat(std::span<const std::uint8_t> bytes) {
    if (startsWith(bytes, "\xFF\xD8\xFF")) return ImageFormat::jpeg;
    if (startsWith(bytes, "\x89PNG\r\n\x1A\n")) return ImageFormat::png;
    if (startsWith(bytes, "RIFF") && startsWith(bytes, "WEBP", 8)) return ImageFormat::webp;
    if (startsWith(bytes, std::string_view("II*\0", 4)) ||
        startsWith(bytes, std::string_view("MM\0*", 4)))
        return ImageFormat::tiff;
    if (startsWith(bytes, "ftyp", 4)) return isoMediaFormat(bytes);
    if (startsWith(bytes, "FUJIFILMCCD-RAW") || startsWith(bytes, "IIRO") ||
        startsWith(bytes, "IIU\0"))
        return ImageFormat::raw;
    if (startsWith(bytes, "GIF8") || startsWith(bytes, "BM")) return ImageFormat::other;
    return ImageFormat::unknown;
}

} // namespace keepsift
