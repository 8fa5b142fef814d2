#include "platform/imaging/ImageSource.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "platform/imaging/AreaShrink.hpp"
#include "platform/imaging/DecodeLimits.hpp"
#include "platform/imaging/DecodeMemory.hpp"
#include "platform/imaging/HeifDecoder.hpp"
#include "platform/imaging/ImageFileRead.hpp"
#include "platform/imaging/JpegDecoder.hpp"
#include "platform/imaging/MetadataReader.hpp"
#include "platform/imaging/RawDecoder.hpp"

namespace keepsift {
namespace {

std::optional<std::vector<std::uint8_t>> readFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat info {};
    ImageFileRead read;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) read = readImageFile(fd, info.st_size);
    ::close(fd);
    return std::move(read.bytes);
}

// A TIFF container is a RAW file when libraw accepts it.
ImageFormat refine(ImageFormat format, std::span<const std::uint8_t> bytes) {
    if (format == ImageFormat::tiff && raw::headerSize(bytes)) return ImageFormat::raw;
    return format;
}

std::optional<PixelSize> headerSize(ImageFormat format, std::span<const std::uint8_t> bytes) {
    switch (format) {
    case ImageFormat::jpeg:
        return jpeg::headerSize(bytes);
    case ImageFormat::heif:
        return heif::headerSize(bytes);
    case ImageFormat::raw:
        return raw::headerSize(bytes);
    default:
        return PixelSize{};
    }
}

std::optional<ImageProperties> readProperties(ImageFormat format,
                                              std::span<const std::uint8_t> bytes) {
    auto size = headerSize(format, bytes);
    if (!size) return std::nullopt;
    ImageProperties properties;
    properties.format = format;
    properties.pixelWidth = size->width;
    properties.pixelHeight = size->height;
    readMetadata(bytes, properties);
    // libheif hands out the picture already turned by its own transformations.
    if (format == ImageFormat::heif) properties.orientation.reset();
    if (properties.pixelWidth <= 0 || properties.pixelHeight <= 0) return std::nullopt;
    return properties;
}

std::optional<cv::Mat> decodeWithOpenCv(std::span<const std::uint8_t> bytes,
                                        const ImageProperties& properties) {
    if (!DecodeLimits::acceptsDecoded({properties.pixelWidth, properties.pixelHeight}))
        return std::nullopt;
    // The decoded picture with an alpha channel, and its colour copy.
    constexpr std::int64_t bytesPerPixel = 7;
    const auto reservation =
        reserveDecodeMemory(properties.pixelWidth * properties.pixelHeight * bytesPerPixel);
    if (!reservation) return std::nullopt;
    cv::Mat encoded(1, static_cast<int>(bytes.size()), CV_8UC1,
                    const_cast<std::uint8_t*>(bytes.data()));
    try {
        cv::Mat image = cv::imdecode(encoded, cv::IMREAD_COLOR | cv::IMREAD_IGNORE_ORIENTATION);
        if (image.empty()) return std::nullopt;
        return image;
    } catch (const cv::Exception&) {
        return std::nullopt;
    }
}

} // namespace

ImageSource::ImageSource(std::vector<std::uint8_t> bytes, ImageFormat format)
    : bytes_(std::move(bytes)), format_(refine(format, bytes_)),
      properties_(readProperties(format_, bytes_)) {}

std::optional<ImageSource> ImageSource::fromFile(const std::string& path) {
    auto bytes = readFile(path);
    if (!bytes) return std::nullopt;
    return fromData(std::move(*bytes));
}

std::optional<ImageSource> ImageSource::fromData(std::vector<std::uint8_t> bytes) {
    ImageFormat format = sniffImageFormat(bytes);
    if (format == ImageFormat::unknown) return std::nullopt;
    return ImageSource(std::move(bytes), format);
}

std::optional<cv::Mat> ImageSource::decode(std::int64_t targetLongEdge) const {
    if (!properties_) return std::nullopt;
    switch (format_) {
    case ImageFormat::jpeg:
        return jpeg::decode(bytes_, targetLongEdge);
    case ImageFormat::heif:
        return heif::decode(bytes_);
    case ImageFormat::raw:
        return raw::decode(bytes_, targetLongEdge);
    default:
        return decodeWithOpenCv(bytes_, *properties_);
    }
}

cv::Mat fitWithin(const cv::Mat& image, std::int64_t maxSide) {
    std::int64_t longEdge = std::max(image.cols, image.rows);
    if (image.empty() || longEdge <= maxSide || maxSide <= 0) return image;
    double scale = static_cast<double>(maxSide) / static_cast<double>(longEdge);
    cv::Size size(std::max(1, static_cast<int>(std::lround(image.cols * scale))),
                  std::max(1, static_cast<int>(std::lround(image.rows * scale))));
    cv::Mat resized;
    shrinkByArea(image, resized, size);
    return resized;
}

} // namespace keepsift
