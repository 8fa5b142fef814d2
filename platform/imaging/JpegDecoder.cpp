#include "platform/imaging/JpegDecoder.hpp"

#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>
#include <turbojpeg.h>

#include "platform/imaging/DecodeMemory.hpp"

namespace keepsift::jpeg {
namespace {

struct HandleCloser {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

// Progressive files of more scans than this are refused: each scan passes over the
// whole coefficient buffer.
constexpr int maximumScans = 500;
constexpr int scaleDenominator = 8;

bool fitsLibjpeg(std::span<const std::uint8_t> bytes) {
    return !bytes.empty() && bytes.size() <= static_cast<size_t>(0x7FFFFFFF);
}

// Warnings after which every pixel is still there: stray bytes between segments (cameras
// leave them), an unknown JFIF revision or Adobe transform code, a damaged colour profile.
// Every other warning means image data is missing or wrong, and the picture is refused.
bool isHarmless(int code) {
    return code == JWRN_EXTRANEOUS_DATA || code == JWRN_JFIF_MAJOR || code == JWRN_ADOBE_XFORM ||
           code == JWRN_BOGUS_ICC;
}

struct Errors {
    jpeg_error_mgr manager;
    std::jmp_buf failed;
};

[[noreturn]] void fail(j_common_ptr info) {
    std::longjmp(reinterpret_cast<Errors*>(info->err)->failed, 1);
}

void onMessage(j_common_ptr info, int level) {
    if (level < 0 && !isHarmless(info->err->msg_code)) fail(info);
}

void onProgress(j_common_ptr info) {
    if (info->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > maximumScans)
        fail(info);
}

void silent(j_common_ptr) {}

struct Plan {
    PixelSize output;
    bool cmyk = false;
    std::int64_t bytes = 0;
};

// One decode. Only the member functions below call into libjpeg, each under its own
// setjmp, and none of them holds an object with a destructor.
class Decompressor {
public:
    Decompressor() {
        info_.err = jpeg_std_error(&errors_.manager);
        errors_.manager.error_exit = fail;
        errors_.manager.emit_message = onMessage;
        errors_.manager.output_message = silent;
        progress_.progress_monitor = onProgress;
    }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;
    ~Decompressor() {
        if (created_) jpeg_destroy_decompress(&info_);
    }

    bool open(std::span<const std::uint8_t> bytes, std::int64_t targetLongEdge, Plan& plan) {
        if (setjmp(errors_.failed)) return false;
        jpeg_create_decompress(&info_);
        created_ = true;
        info_.progress = &progress_;
        jpeg_mem_src(&info_, bytes.data(), static_cast<unsigned long>(bytes.size()));
        if (jpeg_read_header(&info_, TRUE) != JPEG_HEADER_OK) return false;
        plan.cmyk = info_.jpeg_color_space == JCS_CMYK || info_.jpeg_color_space == JCS_YCCK;
        info_.out_color_space = plan.cmyk ? JCS_CMYK : JCS_EXT_BGR;
        // The fast transform and upsampling cost nothing the measurements can see.
        info_.dct_method = JDCT_IFAST;
        info_.do_fancy_upsampling = FALSE;
        info_.scale_num = scaleNumerator(targetLongEdge);
        info_.scale_denom = scaleDenominator;
        jpeg_calc_output_dimensions(&info_);
        plan.output = {info_.output_width, info_.output_height};
        plan.bytes = memory(plan);
        return true;
    }

    // rows: one pointer per output row, made by the caller so that nothing here needs
    // destroying when libjpeg fails.
    bool read(JSAMPARRAY rows) {
        if (setjmp(errors_.failed)) return false;
        jpeg_start_decompress(&info_);
        while (info_.output_scanline < info_.output_height)
            jpeg_read_scanlines(&info_, rows + info_.output_scanline,
                                info_.output_height - info_.output_scanline);
        jpeg_finish_decompress(&info_);
        return true;
    }

    PixelSize size() const { return {info_.image_width, info_.image_height}; }
    // Photoshop, which writes most CMYK files, stores the inks inverted and says so.
    bool invertedInks() const { return info_.saw_Adobe_marker; }

private:
    // The smallest eighth whose long edge still reaches the target; never larger than whole.
    int scaleNumerator(std::int64_t targetLongEdge) const {
        const std::int64_t longEdge = size().longEdge();
        for (int numerator = 1; numerator < scaleDenominator; ++numerator)
            if ((longEdge * numerator + scaleDenominator - 1) / scaleDenominator >= targetLongEdge)
                return numerator;
        return scaleDenominator;
    }

    // The output, its row buffers, and for a file read in several passes every coefficient
    // of every component (a block of 64 two-byte coefficients per 8 x 8 pixels).
    std::int64_t memory(const Plan& plan) const {
        const std::int64_t channels = plan.cmyk ? 4 + 3 : 3;
        std::int64_t bytes = plan.output.width * plan.output.height * channels +
                             plan.output.width * 64 * info_.num_components;
        if (!info_.progressive_mode && info_.comps_in_scan >= info_.num_components) return bytes;
        for (int c = 0; c < info_.num_components; ++c) {
            const jpeg_component_info& component = info_.comp_info[c];
            bytes += roundUp(component.width_in_blocks, component.h_samp_factor) *
                     roundUp(component.height_in_blocks, component.v_samp_factor) *
                     static_cast<std::int64_t>(sizeof(JBLOCK));
        }
        return bytes;
    }
    static std::int64_t roundUp(std::int64_t value, std::int64_t step) {
        return step > 0 ? (value + step - 1) / step * step : value;
    }

    Errors errors_{};
    jpeg_progress_mgr progress_{};
    jpeg_decompress_struct info_{};
    bool created_ = false;
};

std::uint8_t product(int a, int b) {
    return static_cast<std::uint8_t>((a * b + 127) / 255);
}

cv::Mat bgrFromCmyk(const cv::Mat& cmyk, bool invertedInks) {
    cv::Mat bgr(cmyk.rows, cmyk.cols, CV_8UC3);
    for (int y = 0; y < cmyk.rows; ++y) {
        const auto* in = cmyk.ptr<std::uint8_t>(y);
        auto* out = bgr.ptr<std::uint8_t>(y);
        for (int x = 0; x < cmyk.cols; ++x, in += 4, out += 3) {
            // How much of the paper's white each ink leaves.
            auto white = [&](int i) { return invertedInks ? in[i] : 255 - in[i]; };
            out[0] = product(white(2), white(3));
            out[1] = product(white(1), white(3));
            out[2] = product(white(0), white(3));
        }
    }
    return bgr;
}

} // namespace

std::optional<PixelSize> headerSize(std::span<const std::uint8_t> bytes) {
    if (!fitsLibjpeg(bytes)) return std::nullopt;
    Handle handle(tjInitDecompress());
    if (!handle) return std::nullopt;
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(handle.get(), bytes.data(), static_cast<unsigned long>(bytes.size()),
                            &width, &height, &subsampling, &colourspace) != 0)
        return std::nullopt;
    return PixelSize{width, height};
}

std::optional<std::int64_t> decodeMemory(std::span<const std::uint8_t> bytes,
                                         std::int64_t targetLongEdge) {
    if (!fitsLibjpeg(bytes)) return std::nullopt;
    Decompressor decompressor;
    Plan plan;
    if (!decompressor.open(bytes, targetLongEdge, plan)) return std::nullopt;
    return plan.bytes;
}

std::optional<cv::Mat> decode(std::span<const std::uint8_t> bytes, std::int64_t targetLongEdge) {
    if (!fitsLibjpeg(bytes)) return std::nullopt;
    Decompressor decompressor;
    Plan plan;
    if (!decompressor.open(bytes, targetLongEdge, plan) ||
        !DecodeLimits::acceptsSource(decompressor.size()) ||
        !DecodeLimits::acceptsDecoded(plan.output))
        return std::nullopt;
    const auto reservation = reserveDecodeMemory(plan.bytes);
    if (!reservation) return std::nullopt;
    cv::Mat image(static_cast<int>(plan.output.height), static_cast<int>(plan.output.width),
                  plan.cmyk ? CV_8UC4 : CV_8UC3);
    std::vector<JSAMPROW> rows(static_cast<size_t>(image.rows));
    for (int y = 0; y < image.rows; ++y)
        rows[static_cast<size_t>(y)] = image.ptr(y);
    if (!decompressor.read(rows.data())) return std::nullopt;
    if (plan.cmyk) return bgrFromCmyk(image, decompressor.invertedInks());
    return image;
}

} // namespace keepsift::jpeg
