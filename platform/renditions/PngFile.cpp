#include "platform/renditions/PngFile.hpp"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <png.h>
#include <system_error>
#include <vector>

#include <opencv2/imgproc.hpp>

#include "platform/files/AtomicFile.hpp"

namespace keepsift {
namespace {

// Cached renditions are small; anything larger is not ours to decode.
constexpr png_uint_32 maximumSide = 8192;

using File = std::unique_ptr<FILE, int (*)(FILE*)>;

// A broken cache file is an ordinary miss: nothing to say on stderr.
void quietError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void quietWarning(png_structp, png_const_charp) {}

// libpng reports errors by longjmp: nothing with a destructor may live in these frames.
bool readInto(png_structp png, png_infop info, FILE* file) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_set_user_limits(png, maximumSide, maximumSide);
    png_read_png(png, info,
                 PNG_TRANSFORM_STRIP_16 | PNG_TRANSFORM_PACKING | PNG_TRANSFORM_EXPAND |
                     PNG_TRANSFORM_GRAY_TO_RGB | PNG_TRANSFORM_BGR,
                 nullptr);
    return true;
}

// Called from inside libpng: nothing may be thrown through it.
void appendBytes(png_structp png, png_bytep data, png_size_t length) {
    try {
        static_cast<std::string*>(png_get_io_ptr(png))
            ->append(reinterpret_cast<const char*>(data), length);
    } catch (const std::bad_alloc&) {
        png_error(png, "out of memory");
    }
}
void flushNothing(png_structp) {}

bool writeFrom(png_structp png, png_infop info, std::string* bytes, png_bytepp rows,
               png_uint_32 width, png_uint_32 height, png_textp text, int textCount) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, bytes, appendBytes, flushNothing);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_text(png, info, text, textCount);
    png_set_rows(png, info, rows);
    png_write_png(png, info, PNG_TRANSFORM_BGR, nullptr);
    return true;
}

cv::Mat pixels(png_structp png, png_infop info) {
    const auto width = static_cast<int>(png_get_image_width(png, info));
    const auto height = static_cast<int>(png_get_image_height(png, info));
    const int channels = png_get_channels(png, info);
    if (channels != 3 && channels != 4) return {};
    cv::Mat image(height, width, CV_8UC(channels));
    png_bytepp rows = png_get_rows(png, info);
    for (int y = 0; y < height; ++y)
        std::memcpy(image.ptr(y), rows[y], static_cast<size_t>(width) * channels);
    if (channels == 4) cv::cvtColor(image, image, cv::COLOR_BGRA2BGR);
    return image;
}

std::map<std::string, std::string> textChunks(png_structp png, png_infop info) {
    png_textp text = nullptr;
    int count = 0;
    png_get_text(png, info, &text, &count);
    std::map<std::string, std::string> chunks;
    for (int i = 0; i < count; ++i)
        if (text[i].key && text[i].text) chunks.emplace(text[i].key, text[i].text);
    return chunks;
}

} // namespace

std::optional<PngContents> readPng(const std::filesystem::path& path) {
    File file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) return std::nullopt;
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, quietError, quietWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::optional<PngContents> contents;
    if (info && readInto(png, info, file.get())) {
        auto image = pixels(png, info);
        if (!image.empty()) contents = PngContents{image, textChunks(png, info)};
    }
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    return contents;
}

bool writePng(const std::filesystem::path& path, const cv::Mat& bgr,
              const std::map<std::string, std::string>& text) {
    if (bgr.empty() || bgr.type() != CV_8UC3) return false;
    const cv::Mat image = bgr.isContinuous() ? bgr : bgr.clone();
    std::vector<png_bytep> rows;
    for (int y = 0; y < image.rows; ++y)
        rows.push_back(const_cast<png_bytep>(image.ptr(y)));
    std::vector<png_text> chunks(text.size());
    size_t i = 0;
    for (const auto& [key, value] : text) {
        chunks[i].compression = PNG_TEXT_COMPRESSION_NONE;
        chunks[i].key = const_cast<char*>(key.c_str());
        chunks[i].text = const_cast<char*>(value.c_str());
        chunks[i].text_length = value.size();
        ++i;
    }
    std::string bytes;
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, quietError, quietWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    const bool encoded = info && writeFrom(png, info, &bytes, rows.data(), image.cols, image.rows,
                                           chunks.data(), static_cast<int>(chunks.size()));
    png_destroy_write_struct(&png, info ? &info : nullptr);
    if (!encoded) return false;
    try {
        replaceFileAtomically(path, bytes);
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

} // namespace keepsift
