#include <gtest/gtest.h>

#include "platform/renditions/LongSide.hpp"
#include "platform/renditions/RenditionCache.hpp"
#include "platform/renditions/StampedPng.hpp"
#include "platform/renditions/ThumbnailCache.hpp"
#include "platform/renditions/tests/TemporaryCacheHome.hpp"

using namespace keepsift;
using namespace keepsift::testing;

namespace {

const cv::Scalar blue(255, 0, 0);
const cv::Scalar red(0, 0, 255);

cv::Vec3b centre(const cv::Mat& image) {
    return image.at<cv::Vec3b>(image.rows / 2, image.cols / 2);
}

std::optional<cv::Mat> thumbnail(const std::filesystem::path& photo) {
    const auto stamp = ThumbnailStamp::of(photo);
    if (!stamp) return std::nullopt;
    return largestStampedRendition(ThumbnailCache::files(*stamp), *stamp, renditionLongSide);
}

} // namespace

TEST(ThumbnailName, IsTheMd5OfTheFileUri) {
    EXPECT_EQ(md5Hex("file:///home/jens/photos/me.png"), "c6ee772d9e49320e97ec29a7eb5b1697");
    EXPECT_EQ(fileUri("/tmp/a b/\u00dc#%;.jpg"), "file:///tmp/a%20b/%C3%9C%23%25%3B.jpg");
    EXPECT_EQ(fileUri("/x/(1)+~@=,$&'!*.jpg"), "file:///x/(1)+~@=,$&'!*.jpg");
}

TEST(LongSide, ReducesToTheLongSideButNeverEnlarges) {
    EXPECT_EQ(reduceToLongSide(cv::Mat(10, 1000, CV_8UC3)).size(), cv::Size(512, 5));
    EXPECT_EQ(reduceToLongSide(cv::Mat(300, 400, CV_8UC3)).size(), cv::Size(400, 300));
    EXPECT_EQ(reduceToLongSide(cv::Mat(1000, 1, CV_8UC3)).size(), cv::Size(1, 512));
    EXPECT_EQ(reduceToLongSide(cv::Mat(1000, 1, CV_8UC3), 2048).size(), cv::Size(1, 1000));
    EXPECT_TRUE(reduceToLongSide(cv::Mat()).empty());
}

using ThumbnailCacheTest = TemporaryCacheHome;

TEST_F(ThumbnailCacheTest, ValidXLargeThumbnailIsUsed) {
    const auto photo = original("IMG 1.jpg");
    writeThumbnail("x-large", photo, solid(400, 300, blue));
    auto image = thumbnail(photo);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), cv::Size(400, 300)) << "as stored";
    EXPECT_EQ(centre(*image), cv::Vec3b(255, 0, 0));
}

TEST_F(ThumbnailCacheTest, StaleXLargeFallsBackToXxLarge) {
    const auto photo = original("IMG_2.jpg");
    auto stale = *ThumbnailStamp::of(photo);
    stale.mtime -= 1;
    writeThumbnail("x-large", photo, solid(512, 384, blue), stale);
    writeThumbnail("xx-large", photo, solid(768, 1024, red));
    auto image = thumbnail(photo);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), cv::Size(768, 1024));
    EXPECT_EQ(centre(*image), cv::Vec3b(0, 0, 255));
}

TEST_F(ThumbnailCacheTest, ThumbnailOfAnotherFileIsRefused) {
    const auto photo = original("IMG_3.jpg");
    auto other = *ThumbnailStamp::of(photo);
    other.uri += "x";
    writeThumbnail("x-large", photo, solid(512, 384, blue), other);
    EXPECT_FALSE(thumbnail(photo));
}

TEST_F(ThumbnailCacheTest, ChangedOriginalMakesTheThumbnailStale) {
    const auto photo = original("IMG_4.jpg");
    writeThumbnail("x-large", photo, solid(512, 384, blue));
    std::filesystem::last_write_time(photo, std::filesystem::last_write_time(photo) +
                                                std::chrono::seconds(5));
    EXPECT_FALSE(thumbnail(photo));
}

TEST_F(ThumbnailCacheTest, UnstampedOrBrokenFilesAreIgnored) {
    const auto photo = original("IMG_5.jpg");
    const auto name = ThumbnailStamp::of(photo)->fileName();
    const auto dir = root / "cache" / "thumbnails" / "x-large";
    std::filesystem::create_directories(dir);
    ASSERT_TRUE(writePng(dir / name, solid(10, 10, blue), {{"Software", "test"}}));
    EXPECT_FALSE(thumbnail(photo));
    std::ofstream(dir / name, std::ios::trunc) << "\x89PNG\r\n\x1a\n garbage";
    EXPECT_FALSE(thumbnail(photo));
    EXPECT_FALSE(thumbnail(root / "missing.jpg"));
}

TEST_F(ThumbnailCacheTest, MTimeMustBeWholeDecimalSeconds) {
    const auto photo = original("IMG_6.jpg");
    auto stamp = *ThumbnailStamp::of(photo);
    auto text = stamp.text();
    EXPECT_TRUE(stamp.matches(text));
    text[ThumbnailStamp::mtimeKey] += ".5";
    EXPECT_FALSE(stamp.matches(text));
    text[ThumbnailStamp::mtimeKey] = "";
    EXPECT_FALSE(stamp.matches(text));
}

TEST_F(ThumbnailCacheTest, RelativeCacheHomeIsIgnored) {
    const char* home = std::getenv("HOME");
    const std::string savedHome = home ? home : "";
    ::setenv("HOME", root.c_str(), 1);
    ::setenv("XDG_CACHE_HOME", "relative/cache", 1);
    EXPECT_EQ(RenditionCache::folder(), root / ".cache" / "com.ambervale.keepsift" / "renditions");
    ::setenv("HOME", savedHome.c_str(), 1);
}
