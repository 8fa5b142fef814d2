#include <gtest/gtest.h>

#include <fstream>
#include <opencv2/imgcodecs.hpp>

#include "platform/imaging/tests/ExifWriting.hpp"
#include "platform/renditions/CachedRenditionSource.hpp"
#include "platform/renditions/PngFile.hpp"
#include "platform/renditions/tests/TemporaryCacheHome.hpp"

using namespace keepsift;
using namespace keepsift::testing;

namespace {

std::uint32_t crc32(const std::vector<std::uint8_t>& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void appendBigEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back((value >> shift) & 0xFF);
}

// A PNG from another encoder than ours, its tEXt entries spliced in after the header chunk,
// the way other desktop programs leave thumbnails.
std::vector<std::uint8_t> pngWithText(const cv::Mat& picture,
                                      const std::map<std::string, std::string>& entries) {
    std::vector<std::uint8_t> png;
    cv::imencode(".png", picture, png);
    std::vector<std::uint8_t> chunks;
    for (const auto& [key, value] : entries) {
        std::vector<std::uint8_t> typed = {'t', 'E', 'X', 't'};
        typed.insert(typed.end(), key.begin(), key.end());
        typed.push_back(0);
        typed.insert(typed.end(), value.begin(), value.end());
        appendBigEndian(chunks, static_cast<std::uint32_t>(typed.size() - 4));
        chunks.insert(chunks.end(), typed.begin(), typed.end());
        appendBigEndian(chunks, crc32(typed));
    }
    png.insert(png.begin() + 33, chunks.begin(), chunks.end());
    return png;
}

void write(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// The original is blue; any thumbnail below is red.
class CachedRenditions : public TemporaryCacheHome {
protected:
    void SetUp() override {
        TemporaryCacheHome::SetUp();
        photo = root / "photos with space" / "IMG 1.jpg";
        write(photo, encodedJpeg(cv::Mat(600, 800, CV_8UC3, cv::Scalar(200, 0, 0))));
    }

    void foreignThumbnail(const char* size, std::int64_t mtime) {
        const auto stamp = *ThumbnailStamp::of(photo);
        write(root / "cache" / "thumbnails" / size / stamp.fileName(),
              pngWithText(cv::Mat(768, 1024, CV_8UC3, cv::Scalar(0, 0, 200)),
                          {{"Thumb::URI", stamp.uri}, {"Thumb::MTime", std::to_string(mtime)}}));
    }
    std::int64_t modified() const { return ThumbnailStamp::of(photo)->mtime; }
    static bool isRed(const PortImage& image) { return image.rgb[0] > 150 && image.rgb[2] < 80; }

    std::filesystem::path photo;
};

} // namespace

TEST_F(CachedRenditions, ForeignPngTextChunksAreRead) {
    const auto png = root / "foreign.png";
    write(png, pngWithText(cv::Mat(4, 4, CV_8UC3, cv::Scalar(1)), {{"Thumb::MTime", "42"}}));
    auto contents = readPng(png);
    ASSERT_TRUE(contents);
    EXPECT_EQ(contents->text.at("Thumb::MTime"), "42");
    write(png, {});
    EXPECT_FALSE(readPng(png));
}

TEST_F(CachedRenditions, AResidentOriginalIsDecodedAndKept) {
    CachedRenditionSource cached;
    auto image = cached.rendition(photo.string(), true, 512);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 512);
    EXPECT_EQ(image->height, 384);
    EXPECT_EQ(image->rgb.size(), 512u * 384u * 3u);
    // Once the original has left the machine the kept copy answers.
    auto kept = cached.rendition(photo.string(), false, 512);
    ASSERT_TRUE(kept);
    EXPECT_FALSE(isRed(*kept));
    EXPECT_EQ(kept->width, 512);
}

TEST_F(CachedRenditions, AnEvictedOriginalUsesAMatchingSystemThumbnail) {
    foreignThumbnail("xx-large", modified());
    auto image = CachedRenditionSource().rendition(photo.string(), false, 512);
    ASSERT_TRUE(image);
    EXPECT_TRUE(isRed(*image));
    EXPECT_EQ(image->width, 512);
}

TEST_F(CachedRenditions, AStaleThumbnailIsIgnored) {
    CachedRenditionSource cached;
    foreignThumbnail("x-large", modified() - 60);
    EXPECT_FALSE(cached.rendition(photo.string(), false, 512));
    EXPECT_FALSE(cached.rendition((root / "missing.jpg").string(), false, 512));
    EXPECT_FALSE(cached.rendition(photo.string(), true, 0));
}

TEST_F(CachedRenditions, TargetsOutsideTheRangeGiveNone) {
    CachedRenditionSource cached;
    EXPECT_FALSE(cached.rendition(photo.string(), true, -1));
    EXPECT_FALSE(cached.rendition(photo.string(), true, 16'385));
    EXPECT_TRUE(cached.rendition(photo.string(), true, 1));
}

// Asked for more than there is, a rendition is the largest picture on disk, never enlarged.
using LargerThanThereIs = TemporaryCacheHome;

TEST_F(LargerThanThereIs, ASmallThumbnailStaysSmall) {
    const auto photo = original("IMG 7.jpg");
    writeThumbnail("x-large", photo, solid(256, 192, {0, 0, 255}));
    CachedRenditionSource cached;
    for (std::int64_t target : {2048, 1024, 512, 256}) {
        auto image = cached.rendition(photo.string(), false, target);
        ASSERT_TRUE(image) << target;
        EXPECT_EQ(image->width, 256) << target;
        EXPECT_EQ(image->height, 192) << target;
    }
    auto smaller = cached.rendition(photo.string(), false, 128);
    ASSERT_TRUE(smaller);
    EXPECT_EQ(smaller->width, 128);
}

TEST_F(LargerThanThereIs, AResidentOriginalGivesItsOwnSizeAtMost) {
    const auto photo = root / "photos with space" / "IMG_8.jpg";
    ASSERT_TRUE(cv::imwrite(photo.string(), solid(1600, 1200, {255, 0, 0})));
    CachedRenditionSource cached;
    for (std::int64_t target : {4032, 2048, 1600}) {
        auto image = cached.rendition(photo.string(), true, target);
        ASSERT_TRUE(image) << target;
        EXPECT_EQ(image->width, 1600) << target;
        EXPECT_EQ(image->height, 1200) << target;
    }
    auto reduced = cached.rendition(photo.string(), true, 1024);
    ASSERT_TRUE(reduced);
    EXPECT_EQ(reduced->width, 1024);
    EXPECT_EQ(reduced->height, 768);
}

TEST_F(LargerThanThereIs, TheLargerThumbnailAnswersALargeRequest) {
    const auto photo = original("IMG 9.jpg");
    writeThumbnail("x-large", photo, solid(1024, 768, {0, 0, 255}));
    writeThumbnail("xx-large", photo, solid(2048, 1536, {0, 255, 0}));
    CachedRenditionSource cached;
    auto large = cached.rendition(photo.string(), false, 2048);
    ASSERT_TRUE(large);
    EXPECT_EQ(large->width, 2048);
    EXPECT_EQ(large->rgb[1], 255) << "green, from xx-large";
    auto between = cached.rendition(photo.string(), false, 4032);
    ASSERT_TRUE(between);
    EXPECT_EQ(between->width, 2048);
    // Where the first is large enough it is the one used, as before.
    auto reduced = cached.rendition(photo.string(), false, 512);
    ASSERT_TRUE(reduced);
    EXPECT_EQ(reduced->width, 512);
    EXPECT_EQ(reduced->rgb[0], 255) << "red, from x-large";
}

TEST_F(LargerThanThereIs, ASmallOriginalIsKeptAtItsOwnSize) {
    const auto photo = root / "photos with space" / "small.jpg";
    ASSERT_TRUE(cv::imwrite(photo.string(), solid(300, 200, {255, 0, 0})));
    CachedRenditionSource cached;
    auto decoded = cached.rendition(photo.string(), true, 512);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width, 300);
    auto kept = cached.rendition(photo.string(), false, 512);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->width, 300);
    EXPECT_EQ(kept->height, 200);
}
