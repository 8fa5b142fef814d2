#include <cstring>

#include <gtest/gtest.h>
#include <libheif/heif.h>

#include "HeifWriting.hpp"
#include "platform/imaging/ImageSource.hpp"

// libx265 keeps a small table for the life of the process after the first encode; only the
// test encodes, so the leak checker is told to let it be.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:x265_malloc\n";
}

namespace keepsift {
namespace {

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
    expectRedThenBlue(testing::encodedHeif(64, 48, heif_compression_HEVC));
}

TEST(HeifDecoder, DecodesAvif) {
    if (!heif_have_encoder_for_format(heif_compression_AV1)) GTEST_SKIP() << "no AV1 encoder";
    expectRedThenBlue(testing::encodedHeif(64, 48, heif_compression_AV1));
}

TEST(HeifDecoder, ACutFileDoesNotDecode) {
    if (!heif_have_encoder_for_format(heif_compression_HEVC)) GTEST_SKIP() << "no HEVC encoder";
    auto bytes = testing::encodedHeif(64, 48, heif_compression_HEVC);
    bytes.resize(bytes.size() * 2 / 3);
    auto source = ImageSource::fromData(bytes);
    if (source) {
        EXPECT_FALSE(source->decode(2048));
    }
}

} // namespace
} // namespace keepsift
