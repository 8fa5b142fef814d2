#include "platform/library/MetadataReader.hpp"

#include <exiv2/exiv2.hpp>
#include <mutex>

namespace keepsift {
namespace {

// Exiv2's XMP toolkit is not safe to initialise from several threads at once.
std::mutex& exivMutex() {
    static std::mutex mutex;
    return mutex;
}

void prepareExiv2() {
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize();
#ifdef EXV_ENABLE_BMFF
        Exiv2::enableBMFF(true);
#endif
    });
}

std::optional<long> integerOf(const Exiv2::ExifData& exif, const char* key) {
    auto it = exif.findKey(Exiv2::ExifKey(key));
    if (it == exif.end() || it->count() == 0) return std::nullopt;
    return it->toLong();
}

std::optional<int> ratingOf(const Exiv2::XmpData& xmp) {
    auto it = xmp.findKey(Exiv2::XmpKey("Xmp.xmp.Rating"));
    if (it == xmp.end()) return std::nullopt;
    try {
        return std::stoi(it->toString());
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

bool startsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

// darktable keeps its history stack, Lightroom and Camera Raw mark settings they applied.
bool hasEditHistory(const Exiv2::XmpData& xmp) {
    for (const auto& datum : xmp) {
        const std::string key = datum.key();
        if (startsWith(key, "Xmp.darktable.history")) return true;
        if (key == "Xmp.crs.HasSettings" && datum.toString() == "True") return true;
        if (startsWith(key, "Xmp.xmpMM.History")) return true;
    }
    return false;
}

void readDimensions(Exiv2::Image& image, FileFacts& facts) {
    const auto& exif = image.exifData();
    facts.pixelWidth = image.pixelWidth();
    facts.pixelHeight = image.pixelHeight();
    if (facts.pixelWidth <= 0 || facts.pixelHeight <= 0) {
        facts.pixelWidth = integerOf(exif, "Exif.Photo.PixelXDimension").value_or(0);
        facts.pixelHeight = integerOf(exif, "Exif.Photo.PixelYDimension").value_or(0);
    }
    long orientation = integerOf(exif, "Exif.Image.Orientation").value_or(1);
    facts.orientation = orientation >= 1 && orientation <= 8 ? static_cast<int>(orientation) : 1;
    if (facts.orientation >= 5) std::swap(facts.pixelWidth, facts.pixelHeight);
}

void readCaptureDate(const Exiv2::ExifData& exif, FileFacts& facts) {
    auto it = exif.findKey(Exiv2::ExifKey("Exif.Photo.DateTimeOriginal"));
    if (it != exif.end()) facts.dateTimeOriginal = it->toString();
}

template <class Reader> FileFacts readFacts(const std::string& path, Reader reader) {
    prepareExiv2();
    FileFacts facts;
    try {
        std::lock_guard lock(exivMutex());
        auto image = Exiv2::ImageFactory::open(path);
        if (image.get() == nullptr) return facts;
        image->readMetadata();
        reader(*image, facts);
        facts.readable = true;
    } catch (const std::exception&) {
        facts = FileFacts{};
    }
    return facts;
}

} // namespace

FileFacts readImageFacts(const std::string& path) {
    return readFacts(path, [](Exiv2::Image& image, FileFacts& facts) {
        readDimensions(image, facts);
        readCaptureDate(image.exifData(), facts);
        facts.rating = ratingOf(image.xmpData());
    });
}

FileFacts readSidecarFacts(const std::string& path) {
    return readFacts(path, [](Exiv2::Image& image, FileFacts& facts) {
        facts.rating = ratingOf(image.xmpData());
        facts.editHistory = hasEditHistory(image.xmpData());
    });
}

} // namespace keepsift
