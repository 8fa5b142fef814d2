#include <gtest/gtest.h>

#include "platform/renditions/CachedRenditionSource.hpp"
#include "platform/renditions/RenditionCache.hpp"
#include "platform/renditions/tests/TemporaryCacheHome.hpp"

using namespace keepsift;
using namespace keepsift::testing;

using RenditionCacheTest = TemporaryCacheHome;

TEST_F(RenditionCacheTest, StoresAtRenditionSizeUnderTheCacheHome) {
    const auto photo = original("a.jpg");
    ASSERT_TRUE(RenditionCache::store(photo, solid(2000, 1000, {0, 255, 0})));
    EXPECT_EQ(RenditionCache::folder(), root / "cache" / "com.ambervale.keepsift" / "renditions");
    auto image = RenditionCache::rendition(photo);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), cv::Size(512, 256));
}

TEST_F(RenditionCacheTest, ChangedOriginalIsNotServedAnOldRendition) {
    const auto photo = original("b.jpg");
    ASSERT_TRUE(RenditionCache::store(photo, solid(512, 512, {0, 255, 0})));
    std::filesystem::last_write_time(photo, std::filesystem::last_write_time(photo) +
                                                std::chrono::seconds(2));
    EXPECT_FALSE(RenditionCache::rendition(photo));
}

TEST_F(RenditionCacheTest, NonResidentOriginalIsNeverDecoded) {
    const auto photo = original("c.jpg");
    int decodes = 0;
    CachedRenditionSource source([&](const std::string&, std::int64_t) {
        ++decodes;
        return std::optional<cv::Mat>(solid(1024, 768, {255, 0, 0}));
    });
    EXPECT_FALSE(source.rendition(photo, false, 512));
    EXPECT_EQ(decodes, 0);
}

TEST_F(RenditionCacheTest, ResidentDecodeIsKeptForLater) {
    const auto photo = original("d.jpg");
    CachedRenditionSource decoding([&](const std::string&, std::int64_t) {
        return std::optional<cv::Mat>(solid(1024, 768, {255, 0, 0}));
    });
    auto first = decoding.rendition(photo, true, 512);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->width, 512);
    EXPECT_EQ(first->height, 384);
    ASSERT_EQ(first->rgb.size(), 512u * 384u * 3u);
    EXPECT_EQ(first->rgb[0], 0);
    EXPECT_EQ(first->rgb[2], 255) << "blue in RGB order";
    CachedRenditionSource cachesOnly;
    EXPECT_EQ(cachesOnly.rendition(photo, false, 512), first);
}

TEST_F(RenditionCacheTest, DesktopThumbnailComesBeforeOwnCache) {
    const auto photo = original("e.jpg");
    ASSERT_TRUE(RenditionCache::store(photo, solid(512, 512, {0, 255, 0})));
    writeThumbnail("x-large", photo, solid(512, 512, {0, 0, 255}));
    auto image = CachedRenditionSource().rendition(photo, false, 512);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->rgb[0], 255);
    EXPECT_EQ(image->rgb[1], 0);
}

TEST_F(RenditionCacheTest, FailedDecodeFallsBackToTheCaches) {
    const auto photo = original("f.jpg");
    writeThumbnail("xx-large", photo, solid(1024, 512, {0, 0, 255}));
    CachedRenditionSource failing(
        [](const std::string&, std::int64_t) { return std::optional<cv::Mat>(); });
    auto image = failing.rendition(photo, true, 512);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->height, 256);
}
