#include "platform/imaging/JpegDecoder.hpp"

#include <memory>
#include <string_view>

#include <turbojpeg.h>

namespace keepsift::jpeg {
namespace {

struct HandleCloser {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

bool fitsTurboJpeg(std::span<const std::uint8_t> bytes) {
    return !bytes.empty() && bytes.size() <= static_cast<size_t>(0x7FFFFFFF);
}

std::optional<PixelSize> readHeader(tjhandle handle, std::span<const std::uint8_t> bytes) {
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(handle, bytes.data(), static_cast<unsigned long>(bytes.size()), &width,
                            &height, &subsampling, &colourspace) != 0)
        return std::nullopt;
    return PixelSize{width, height};
}

PixelSize scaledSize(PixelSize full, std::int64_t targetLongEdge) {
    int count = 0;
    const tjscalingfactor* factors = tjGetScalingFactors(&count);
    PixelSize best = full;
    for (int i = 0; i < count; ++i) {
        PixelSize scaled{TJSCALED(static_cast<int>(full.width), factors[i]),
                         TJSCALED(static_cast<int>(full.height), factors[i])};
        if (scaled.longEdge() >= targetLongEdge && scaled.longEdge() < best.longEdge())
            best = scaled;
    }
    return best;
}

// Cameras write stray bytes that libjpeg warns about while every pixel still decodes; a
// file that ends early leaves the rest of the picture grey, and that is no picture to measure.
bool isHarmless(tjhandle handle) {
    if (tjGetErrorCode(handle) != TJERR_WARNING) return false;
    std::string_view message = tjGetErrorStr2(handle);
    return message.find("Premature end") == std::string_view::npos;
}

} // namespace

std::optional<PixelSize> headerSize(std::span<const std::uint8_t> bytes) {
    if (!fitsTurboJpeg(bytes)) return std::nullopt;
    Handle handle(tjInitDecompress());
    if (!handle) return std::nullopt;
    return readHeader(handle.get(), bytes);
}

std::optional<cv::Mat> decode(std::span<const std::uint8_t> bytes, std::int64_t targetLongEdge) {
    if (!fitsTurboJpeg(bytes)) return std::nullopt;
    Handle handle(tjInitDecompress());
    if (!handle) return std::nullopt;
    auto full = readHeader(handle.get(), bytes);
    if (!full || !DecodeLimits::acceptsSource(*full)) return std::nullopt;
    PixelSize size = scaledSize(*full, targetLongEdge);
    if (!DecodeLimits::acceptsDecoded(size)) return std::nullopt;
    cv::Mat image(static_cast<int>(size.height), static_cast<int>(size.width), CV_8UC3);
    // The fast transform and upsampling cost nothing the measurements can see.
    int flags = TJFLAG_LIMITSCANS | TJFLAG_FASTDCT | TJFLAG_FASTUPSAMPLE;
    if (tjDecompress2(handle.get(), bytes.data(), static_cast<unsigned long>(bytes.size()),
                      image.data, image.cols, static_cast<int>(image.step), image.rows, TJPF_BGR,
                      flags) != 0 &&
        !isHarmless(handle.get()))
        return std::nullopt;
    return image;
}

} // namespace keepsift::jpeg
