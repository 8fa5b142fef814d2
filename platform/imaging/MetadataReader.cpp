#include "platform/imaging/MetadataReader.hpp"

#include <limits>
#include <mutex>

#include <exiv2/exiv2.hpp>

namespace keepsift {
namespace {

void setUpExiv2() {
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize();
        Exiv2::enableBMFF(true);
    });
}

std::optional<std::string> text(const Exiv2::ExifData& exif, const char* key) {
    auto found = exif.findKey(Exiv2::ExifKey(key));
    if (found == exif.end() || found->count() == 0) return std::nullopt;
    return found->toString();
}

std::optional<std::uint32_t> readOrientation(const Exiv2::ExifData& exif) {
    auto found = exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
    if (found == exif.end() || found->count() == 0) return std::nullopt;
    long value = found->toLong();
    if (value < 1 || value > 8) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

void copyExif(const Exiv2::ExifData& exif, ImageProperties& properties) {
    properties.orientation = readOrientation(exif);
    properties.dateTimeOriginal = text(exif, "Exif.Photo.DateTimeOriginal");
    properties.make = text(exif, "Exif.Image.Make");
    properties.model = text(exif, "Exif.Image.Model");
    properties.lensModel = text(exif, "Exif.Photo.LensModel");
    properties.software = text(exif, "Exif.Image.Software");
}

} // namespace

void readMetadata(std::span<const std::uint8_t> bytes, ImageProperties& properties) {
    if (bytes.empty() || bytes.size() > static_cast<size_t>(std::numeric_limits<long>::max()))
        return;
    setUpExiv2();
    try {
        auto image = Exiv2::ImageFactory::open(bytes.data(), static_cast<long>(bytes.size()));
        if (!image.get()) return;
        image->readMetadata();
        copyExif(image->exifData(), properties);
        if (properties.pixelWidth == 0 && properties.pixelHeight == 0) {
            properties.pixelWidth = image->pixelWidth();
            properties.pixelHeight = image->pixelHeight();
        }
    } catch (const std::exception&) {
        // A damaged metadata block is no reason to give up on the pixels.
    }
}

} // namespace keepsift
