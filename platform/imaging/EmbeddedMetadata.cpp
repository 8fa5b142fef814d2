#include "platform/imaging/EmbeddedMetadata.hpp"

#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

#include <exiv2/exiv2.hpp>

#include "platform/imaging/ExivAccess.hpp"
#include "platform/imaging/FileBytes.hpp"
#include "platform/imaging/ImageFileRead.hpp"
#include "platform/imaging/ImageFormat.hpp"

namespace keepsift {
namespace {

const Exiv2::Exifdatum* entry(const Exiv2::ExifData& exif, const char* key) {
    auto found = exif.findKey(Exiv2::ExifKey(key));
    if (found == exif.end() || found->count() == 0) return nullptr;
    return &*found;
}

std::optional<std::string> text(const Exiv2::ExifData& exif, const char* key) {
    if (const auto* datum = entry(exif, key)) return datum->toString();
    return std::nullopt;
}

std::optional<std::int64_t> integer(const Exiv2::ExifData& exif, const char* key) {
    if (const auto* datum = entry(exif, key)) return datum->toLong();
    return std::nullopt;
}

std::optional<std::uint32_t> orientationOf(const Exiv2::ExifData& exif) {
    auto value = integer(exif, "Exif.Image.Orientation");
    if (!value || *value < 1 || *value > 8) return std::nullopt;
    return static_cast<std::uint32_t>(*value);
}

std::optional<int> ratingOf(const Exiv2::XmpData& xmp) {
    auto found = xmp.findKey(Exiv2::XmpKey("Xmp.xmp.Rating"));
    if (found == xmp.end()) return std::nullopt;
    try {
        return std::stoi(found->toString());
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

ImageProperties propertiesOf(Exiv2::Image& image) {
    const auto& exif = image.exifData();
    ImageProperties properties;
    properties.pixelWidth = image.pixelWidth();
    properties.pixelHeight = image.pixelHeight();
    properties.orientation = orientationOf(exif);
    properties.dateTimeOriginal = text(exif, "Exif.Photo.DateTimeOriginal");
    properties.make = text(exif, "Exif.Image.Make");
    properties.model = text(exif, "Exif.Image.Model");
    properties.lensModel = text(exif, "Exif.Photo.LensModel");
    properties.software = text(exif, "Exif.Image.Software");
    return properties;
}

EmbeddedMetadata metadataOf(Exiv2::Image& image) {
    const auto& exif = image.exifData();
    EmbeddedMetadata metadata;
    metadata.properties = propertiesOf(image);
    metadata.exifPixelWidth = integer(exif, "Exif.Photo.PixelXDimension");
    metadata.exifPixelHeight = integer(exif, "Exif.Photo.PixelYDimension");
    metadata.rating = ratingOf(image.xmpData());
    metadata.editHistory = hasEditHistory(image.xmpData());
    return metadata;
}

// `open` runs inside exiv2's lock: opening already parses (and the image must be dropped there).
template <class Open> std::optional<EmbeddedMetadata> read(Open open) {
    auto inside = enterExiv2();
    try {
        auto image = open();
        if (image.get() == nullptr) return std::nullopt;
        image->readMetadata();
        return metadataOf(*image);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// Files exiv2 reads that are no picture we know (a sidecar) are small.
constexpr std::int64_t otherFileBytes = 16 << 20;

// exiv2 may walk a whole container chunk by chunk or read it into memory: it gets only a file
// whose head shows a picture that can use a file of its size.
bool mayGoToExiv2(int fd, std::int64_t size) {
    std::uint8_t head[16];
    std::int64_t got = 0;
    if (!readAt(fd, 0, head, sizeof head, got)) return false;
    if (sniffImageFormat({head, static_cast<size_t>(got)}) == ImageFormat::unknown)
        return size <= otherFileBytes;
    return imageFileRefusal(fd, size) == 0;
}

} // namespace

// A JPEG is read up to its scan only: exiv2 looks for a marker byte by byte through whatever
// follows a damaged segment, which in a huge file takes many seconds.
std::optional<EmbeddedMetadata> readEmbeddedMetadata(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat info {};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    auto head = regular ? readJpegMetadata(fd) : std::nullopt;
    const bool readable = regular && (head || mayGoToExiv2(fd, info.st_size));
    ::close(fd);
    if (!readable) return std::nullopt;
    if (head) return readEmbeddedMetadata(*head);
    return read([&] { return Exiv2::ImageFactory::open(path); });
}

std::optional<EmbeddedMetadata> readEmbeddedMetadata(std::span<const std::uint8_t> bytes) {
    if (bytes.empty() || bytes.size() > static_cast<size_t>(std::numeric_limits<long>::max()))
        return std::nullopt;
    return read(
        [&] { return Exiv2::ImageFactory::open(bytes.data(), static_cast<long>(bytes.size())); });
}

} // namespace keepsift
