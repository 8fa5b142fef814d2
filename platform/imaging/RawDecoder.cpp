#include "platform/imaging/RawDecoder.hpp"

#include <memory>

#include <libraw/libraw.h>
#include <opencv2/imgproc.hpp>

#include "platform/imaging/DecodeMemory.hpp"
#include "platform/imaging/JpegDecoder.hpp"

namespace keepsift::raw {
namespace {

// LibRaw keeps large buffers inside the object, so it lives on the heap.
std::unique_ptr<LibRaw> open(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return nullptr;
    auto processor = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
    if (processor->open_buffer(const_cast<std::uint8_t*>(bytes.data()), bytes.size()) !=
        LIBRAW_SUCCESS)
        return nullptr;
    return processor;
}

PixelSize sizeOf(const LibRaw& processor) {
    return {processor.imgdata.sizes.width, processor.imgdata.sizes.height};
}

std::optional<cv::Mat> embeddedPreview(LibRaw& processor, std::int64_t targetLongEdge) {
    if (processor.unpack_thumb() != LIBRAW_SUCCESS) return std::nullopt;
    const auto& thumbnail = processor.imgdata.thumbnail;
    if (thumbnail.tformat != LIBRAW_THUMBNAIL_JPEG || !thumbnail.thumb) return std::nullopt;
    if (PixelSize{thumbnail.twidth, thumbnail.theight}.longEdge() < targetLongEdge)
        return std::nullopt;
    return jpeg::decode({reinterpret_cast<const std::uint8_t*>(thumbnail.thumb),
                         static_cast<size_t>(thumbnail.tlength)},
                        targetLongEdge);
}

struct MemoryImageFree {
    void operator()(libraw_processed_image_t* image) const { LibRaw::dcraw_clear_mem(image); }
};

// The sensor data, the half-size picture of four 16-bit channels, and two 8-bit copies.
constexpr std::int64_t bytesPerSensorPixel = 6;

std::optional<cv::Mat> developed(LibRaw& processor) {
    const PixelSize size = sizeOf(processor);
    const auto reservation = reserveDecodeMemory(size.width * size.height * bytesPerSensorPixel);
    if (!reservation) return std::nullopt;
    processor.imgdata.params.half_size = 1;
    // Stay in sensor orientation like the embedded preview; the EXIF orientation turns both.
    processor.imgdata.params.user_flip = 0;
    if (processor.unpack() != LIBRAW_SUCCESS || processor.dcraw_process() != LIBRAW_SUCCESS)
        return std::nullopt;
    int status = 0;
    std::unique_ptr<libraw_processed_image_t, MemoryImageFree> image(
        processor.dcraw_make_mem_image(&status));
    if (!image || image->type != LIBRAW_IMAGE_BITMAP || image->colors != 3 || image->bits != 8)
        return std::nullopt;
    cv::Mat rgb(image->height, image->width, CV_8UC3, image->data);
    cv::Mat bgr;
    cv::cvtColor(rgb, bgr, cv::COLOR_RGB2BGR);
    return bgr;
}

} // namespace

std::optional<PixelSize> headerSize(std::span<const std::uint8_t> bytes) {
    auto processor = open(bytes);
    if (!processor) return std::nullopt;
    return sizeOf(*processor);
}

std::optional<cv::Mat> decode(std::span<const std::uint8_t> bytes, std::int64_t targetLongEdge) {
    auto processor = open(bytes);
    if (!processor || !DecodeLimits::acceptsSource(sizeOf(*processor))) return std::nullopt;
    if (auto preview = embeddedPreview(*processor, targetLongEdge)) return preview;
    return developed(*processor);
}

} // namespace keepsift::raw
