#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>

#include "platform/renditions/CachedRenditionSource.hpp"
#include "platform/renditions/RenditionCache.hpp"
#include "platform/renditions/tests/TemporaryCacheHome.hpp"

using namespace keepsift;
using namespace keepsift::testing;

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
