#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>

#include "platform/imaging/tests/ExifWriting.hpp"
#include "platform/renditions/CachedRenditionSource.hpp"
#include "platform/renditions/RenditionCache.hpp"
#include "platform/renditions/tests/TemporaryCacheHome.hpp"

using namespace keepsift;
using namespace keepsift::testing;

namespace {

std::optional<cv::Size> residentSize(const std::filesystem::path& photo) {
    auto image = CachedRenditionSource().rendition(photo, true, 512);
    if (!image) return std::nullopt;
    return cv::Size(static_cast<int>(image->width), static_cast<int>(image->height));
}

} // namespace

using ResidentDecoderTest = TemporaryCacheHome;

TEST_F(ResidentDecoderTest, ResidentJpegIsDecodedToTheRenditionSize) {
    const auto photo = root / "photos with space" / "IMG_1.jpg";
    ASSERT_TRUE(cv::imwrite(photo.string(), solid(1600, 1200, {255, 0, 0})));
    auto image = CachedRenditionSource().rendition(photo, true, 512);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 512);
    EXPECT_EQ(image->height, 384);
    EXPECT_GT(image->rgb[2], 240) << "blue stays blue";
    EXPECT_TRUE(RenditionCache::rendition(photo)) << "kept for when it is evicted";
}

TEST_F(ResidentDecoderTest, UndecodableFileFallsBackToNothing) {
    EXPECT_FALSE(CachedRenditionSource().rendition(original("broken.jpg"), true, 512));
}

TEST_F(ResidentDecoderTest, RenditionsAreUprightWithTheTargetOnTheLongSide) {
    const auto photo = root / "turned.jpg";
    cv::Mat stored(1200, 1600, CV_8UC3, cv::Scalar(40, 80, 120));
    auto bytes = withExif(encodedJpeg(stored), {{"Exif.Image.Orientation", "6"}});
    std::ofstream(photo, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    EXPECT_EQ(residentSize(photo), cv::Size(384, 512));
}

TEST_F(ResidentDecoderTest, SmallOriginalsAreNotScaledUp) {
    const auto photo = root / "small.jpg";
    ASSERT_TRUE(cv::imwrite(photo.string(), solid(200, 100, {9, 9, 9})));
    EXPECT_EQ(residentSize(photo), cv::Size(200, 100));
}

TEST_F(ResidentDecoderTest, BrokenFilesAndTargetsGiveNone) {
    const auto photo = root / "tiny.jpg";
    ASSERT_TRUE(cv::imwrite(photo.string(), solid(10, 10, {0, 0, 0})));
    EXPECT_FALSE(CachedRenditionSource().rendition(photo, true, 0));
    EXPECT_FALSE(CachedRenditionSource().rendition("/nonexistent/picture.jpg", true, 512));
}
