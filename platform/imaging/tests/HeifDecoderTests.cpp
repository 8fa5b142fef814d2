#include <cstring>

#include <gtest/gtest.h>
#include <libheif/heif.h>

#include "platform/imaging/ImageSource.hpp"

// libx265 keeps a small table for the life of the process after the first encode; only the
// test encodes, so the leak checker is told to let it be.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:x265_malloc\n";
}

namespace keepsift {
namespace {

heif_error collect(heif_context*, const void* data, size_t size, void* userdata) {
    auto* bytes = static_cast<std::vector<std::uint8_t>*>(userdata);
    const auto* start = static_cast<const std::uint8_t*>(data);
    bytes->insert(bytes->end(), start, start + size);
    return {heif_error_Ok, heif_suberror_Unspecified, ""};
}

// A width x height picture, red on the left half and blue on the right, as HEIC (or AVIF).
std::vector<std::uint8_t> encodedHeif(int width, int height, heif_compression_format format) {
    std::vector<std::uint8_t> bytes;
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_image* image = nullptr;
    if (heif_context_get_encoder_for_format(context, format, &encoder).code == heif_error_Ok &&
        heif_image_create(width, height, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image)
                .code == heif_error_Ok) {
        heif_image_add_plane(image, heif_channel_interleaved, width, height, 8);
        int stride = 0;
        std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                std::uint8_t* pixel = plane + y * stride + x * 3;
                bool left = x < width / 2;
                pixel[0] = left ? 220 : 20;
                pixel[1] = 20;
                pixel[2] = left ? 20 : 220;
            }
        heif_encoder_set_lossy_quality(encoder, 90);
        heif_context_encode_image(context, image, encoder, nullptr, nullptr);
        heif_writer writer{1, collect};
        heif_context_write(context, &writer, &bytes);
    }
    if (image) heif_image_release(image);
    if (encoder) heif_encoder_release(encoder);
    heif_context_free(context);
    return bytes;
}

void expectRedThenBlue(const std::vector<std::uint8_t>& bytes) {
    auto source = ImageSource::fromData(bytes);
    ASSERT_TRUE(source && source->properties());
    EXPECT_EQ(source->properties()->format, ImageFormat::heif);
    EXPECT_EQ(source->properties()->pixelWidth, 64);
    EXPECT_EQ(source->properties()->pixelHeight, 48);
    auto decoded = source->decode(2048);
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->size(), cv::Size(64, 48));
    auto left = decoded->at<cv::Vec3b>(24, 8), right = decoded->at<cv::Vec3b>(24, 56);
    EXPECT_GT(left[2], left[0]);   // red
    EXPECT_GT(right[0], right[2]); // blue
}

TEST(HeifDecoder, DecodesHeic) {
    if (!heif_have_encoder_for_format(heif_compression_HEVC)) GTEST_SKIP() << "no HEVC encoder";
    expectRedThenBlue(encodedHeif(64, 48, heif_compression_HEVC));
}

TEST(HeifDecoder, DecodesAvif) {
    if (!heif_have_encoder_for_format(heif_compression_AV1)) GTEST_SKIP() << "no AV1 encoder";
    expectRedThenBlue(encodedHeif(64, 48, heif_compression_AV1));
}

TEST(HeifDecoder, ACutFileDoesNotDecode) {
    if (!heif_have_encoder_for_format(heif_compression_HEVC)) GTEST_SKIP() << "no HEVC encoder";
    auto bytes = encodedHeif(64, 48, heif_compression_HEVC);
    bytes.resize(bytes.size() * 2 / 3);
    auto source = ImageSource::fromData(bytes);
    if (source) {
        EXPECT_FALSE(source->decode(2048));
    }
}

} // namespace
} // namespace keepsift
