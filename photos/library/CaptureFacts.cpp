#include "photos/library/CaptureFacts.hpp"

#include <exiv2/exiv2.hpp>
#include <mutex>

namespace keepsift {
namespace {

void prepareExiv2() {
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::enableBMFF();
    });
}

bool has(const Exiv2::ExifData& exif, const char* key) {
    return exif.findKey(Exiv2::ExifKey(key)) != exif.end();
}

} // namespace

std::optional<CaptureFacts> CaptureFacts::read(const std::vector<std::uint8_t>& file) {
    if (file.empty()) return std::nullopt;
    prepareExiv2();
    try {
        auto image = Exiv2::ImageFactory::open(file.data(), static_cast<long>(file.size()));
        if (!image.get()) return std::nullopt;
        image->readMetadata();
        const auto& exif = image->exifData();
        return CaptureFacts{has(exif, "Exif.Photo.DateTimeOriginal"), has(exif, "Exif.Image.Make")};
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace keepsift
