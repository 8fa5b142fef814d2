#include <gtest/gtest.h>
#include <thread>
#include <turbojpeg.h>

#include "platform/imaging/DecodeMemory.hpp"
#include "platform/imaging/ImageSource.hpp"
#include "platform/imaging/JpegDecoder.hpp"
#include "platform/imaging/tests/TestPictures.hpp"

namespace keepsift {
namespace {

// Pixels in TurboJPEG's format `format` (3 or 4 channels), compressed at test time.
std::vector<std::uint8_t> compressed(const cv::Mat& pixels, int format, int flags = 0,
                                     int subsampling = TJSAMP_420) {
    tjhandle handle = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const int result = tjCompress2(handle, pixels.data, pixels.cols, static_cast<int>(pixels.step),
                                   pixels.rows, format, &out, &size, subsampling, 90, flags);
    std::vector<std::uint8_t> bytes;
    if (result == 0) bytes.assign(out, out + size);
    tjFree(out);
    tjDestroy(handle);
    return bytes;
}

cv::Mat gradient(int width, int height) {
    return testing::gradientPicture(width, height);
}

// Rewrites the frame header's size, as a hostile file claims what it likes.
std::vector<std::uint8_t> claimingSize(std::vector<std::uint8_t> jpeg, int width, int height) {
    for (size_t i = 2; i + 9 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
            jpeg[i + 5] = static_cast<std::uint8_t>(height >> 8);
            jpeg[i + 6] = static_cast<std::uint8_t>(height);
            jpeg[i + 7] = static_cast<std::uint8_t>(width >> 8);
            jpeg[i + 8] = static_cast<std::uint8_t>(width);
            break;
        }
    return jpeg;
}

// Its coefficient buffer alone once took 2.5 GB, and the picture was recorded as real.
TEST(JpegDecoder, ProgressiveFileClaimingAHugeSizeIsRefusedBeforeDecoding) {
    const auto small = compressed(gradient(16, 16), TJPF_BGR, TJFLAG_PROGRESSIVE, TJSAMP_444);
    ASSERT_FALSE(small.empty());
    const auto hostile = claimingSize(small, 20000, 20000);
    EXPECT_LT(hostile.size(), 2000u);
    const auto memory = jpeg::decodeMemory(hostile, 4096);
    ASSERT_TRUE(memory);
    EXPECT_GT(*memory, std::int64_t{20000} * 20000 * 3 * 2);
    EXPECT_GT(*memory, DecodeLimits::maximumDecodeBytes);
    EXPECT_FALSE(jpeg::decode(hostile, 4096));
    const auto source = ImageSource::fromData(hostile);
    ASSERT_TRUE(source);
    EXPECT_FALSE(source->decode(4096));
}

TEST(JpegDecoder, ProgressiveFilesCountTheirCoefficientsAndStillDecode) {
    const cv::Mat picture = gradient(800, 600);
    const auto baseline = compressed(picture, TJPF_BGR);
    const auto progressive = compressed(picture, TJPF_BGR, TJFLAG_PROGRESSIVE);
    const std::int64_t coefficients = 800 * 600 * 2 * 3 / 2; // 4:2:0, two bytes each
    EXPECT_GE(*jpeg::decodeMemory(progressive, 100) - *jpeg::decodeMemory(baseline, 100),
              coefficients);
    const auto decoded = jpeg::decode(progressive, 100);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->size(), cv::Size(100, 75));
}

// Cut short with an end marker appended, the lower part once came out grey and was measured.
TEST(JpegDecoder, WarningsThatMeanMissingDataFailTheDecode) {
    auto whole = compressed(gradient(640, 480), TJPF_BGR);
    ASSERT_TRUE(jpeg::decode(whole, 640));
    std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + whole.size() * 6 / 10);
    cut.insert(cut.end(), {0xFF, 0xD9});
    EXPECT_FALSE(jpeg::decode(cut, 640));
    EXPECT_FALSE(jpeg::decode(cut, 80));
    // A harmless warning first does not hide the one that follows.
    std::vector<std::uint8_t> strayThenCut = whole;
    const size_t scan = [&] {
        for (size_t i = 2; i + 1 < whole.size(); ++i)
            if (whole[i] == 0xFF && whole[i + 1] == 0xDA) return i;
        return size_t{0};
    }();
    ASSERT_GT(scan, 0u);
    strayThenCut.insert(strayThenCut.begin() + static_cast<long>(scan), {0x12, 0x34});
    strayThenCut.resize(strayThenCut.size() * 6 / 10);
    strayThenCut.insert(strayThenCut.end(), {0xFF, 0xD9});
    EXPECT_FALSE(jpeg::decode(strayThenCut, 640));
    const auto progressive = compressed(gradient(640, 480), TJPF_BGR, TJFLAG_PROGRESSIVE);
    std::vector<std::uint8_t> cutProgressive(progressive.begin(),
                                             progressive.begin() + progressive.size() / 2);
    cutProgressive.insert(cutProgressive.end(), {0xFF, 0xD9});
    EXPECT_FALSE(jpeg::decode(cutProgressive, 640));
}

TEST(JpegDecoder, CmykFilesDecodeToTheirColours) {
    // Inks stored inverted, as Photoshop writes them (and says so in its marker): pure red.
    cv::Mat inks(32, 48, CV_8UC4, cv::Scalar(255, 0, 0, 255));
    const auto cmyk = compressed(inks, TJPF_CMYK, 0, TJSAMP_444);
    ASSERT_FALSE(cmyk.empty());
    const auto source = ImageSource::fromData(cmyk);
    ASSERT_TRUE(source && source->properties());
    const auto decoded = source->decode(48);
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->type(), CV_8UC3);
    EXPECT_EQ(decoded->size(), cv::Size(48, 32));
    const cv::Vec3b centre = decoded->at<cv::Vec3b>(16, 24);
    EXPECT_LT(centre[0], 8);
    EXPECT_LT(centre[1], 8);
    EXPECT_GT(centre[2], 247);
}

TEST(DecodeMemory, DecodesInFlightShareTheTotal) {
    DecodeMemory memory(100);
    EXPECT_FALSE(memory.reserve(101));
    auto first = memory.tryReserve(60);
    ASSERT_TRUE(first);
    EXPECT_FALSE(memory.tryReserve(50));
    EXPECT_TRUE(memory.tryReserve(40));
    std::optional<DecodeMemory::Reservation> second;
    std::thread waiting([&] { second.emplace(*memory.reserve(50)); });
    first.reset();
    waiting.join();
    EXPECT_TRUE(second);
    EXPECT_FALSE(memory.tryReserve(51));
    second.reset();
    EXPECT_TRUE(memory.tryReserve(100));
    EXPECT_GT(DecodeMemory::shared().total(), 0);
    EXPECT_GT(usableMemory(), 0);
}

} // namespace
} // namespace keepsift
