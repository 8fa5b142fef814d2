#include "platform/imaging/HeifDecoder.hpp"

#include <memory>

#include <libheif/heif.h>
#include <opencv2/imgproc.hpp>

#include "platform/imaging/DecodeMemory.hpp"

namespace keepsift::heif {
namespace {

struct ContextFree {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleRelease {
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct ImageRelease {
    void operator()(heif_image* image) const { heif_image_release(image); }
};

// The context must outlive the handle that reads from it.
struct Primary {
    std::unique_ptr<heif_context, ContextFree> context;
    std::unique_ptr<heif_image_handle, HandleRelease> handle;
};

std::optional<Primary> openPrimary(std::span<const std::uint8_t> bytes) {
    Primary primary{std::unique_ptr<heif_context, ContextFree>(heif_context_alloc()), nullptr};
    if (!primary.context || bytes.empty()) return std::nullopt;
    if (heif_context_read_from_memory_without_copy(primary.context.get(), bytes.data(),
                                                   bytes.size(), nullptr)
            .code != heif_error_Ok)
        return std::nullopt;
    heif_image_handle* handle = nullptr;
    if (heif_context_get_primary_image_handle(primary.context.get(), &handle).code != heif_error_Ok)
        return std::nullopt;
    primary.handle.reset(handle);
    return primary;
}

// Decoded planes, the interleaved picture and its converted copy.
constexpr std::int64_t bytesPerPixel = 8;

PixelSize sizeOf(const Primary& primary) {
    return {heif_image_handle_get_width(primary.handle.get()),
            heif_image_handle_get_height(primary.handle.get())};
}

} // namespace

std::optional<PixelSize> headerSize(std::span<const std::uint8_t> bytes) {
    auto primary = openPrimary(bytes);
    if (!primary) return std::nullopt;
    return sizeOf(*primary);
}

std::optional<cv::Mat> decode(std::span<const std::uint8_t> bytes) {
    auto primary = openPrimary(bytes);
    if (!primary || !DecodeLimits::acceptsDecoded(sizeOf(*primary))) return std::nullopt;
    const PixelSize size = sizeOf(*primary);
    const auto reservation = reserveDecodeMemory(size.width * size.height * bytesPerPixel);
    if (!reservation) return std::nullopt;
    heif_image* raw = nullptr;
    if (heif_decode_image(primary->handle.get(), &raw, heif_colorspace_RGB,
                          heif_chroma_interleaved_RGB, nullptr)
            .code != heif_error_Ok)
        return std::nullopt;
    std::unique_ptr<heif_image, ImageRelease> image(raw);
    int stride = 0;
    const std::uint8_t* plane =
        heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    if (!plane || width <= 0 || height <= 0) return std::nullopt;
    cv::Mat rgb(height, width, CV_8UC3, const_cast<std::uint8_t*>(plane),
                static_cast<size_t>(stride));
    cv::Mat bgr;
    cv::cvtColor(rgb, bgr, cv::COLOR_RGB2BGR);
    return bgr;
}

} // namespace keepsift::heif
