#include <gtest/gtest.h>

#include "Keepsift/images/ImageCache.hpp"

namespace keepsift::app {
namespace {

std::shared_ptr<const Image> picture(int side) {
    auto image = std::make_shared<Image>();
    image->width = image->height = side;
    image->rgba.assign(static_cast<std::size_t>(side * side * 4), 7);
    return image;
}

TEST(ImageCache, KeepsBySizeAndEvictsTheLeastRecentlyUsedBeyondTheBudget) {
    const std::size_t one = ImageCache::costOf(*picture(16));
    ImageCache cache(one * 2);
    cache.insert("a", {16, 16}, picture(16));
    cache.insert("b", {16, 16}, picture(16));
    EXPECT_EQ(cache.find("a", {32, 32}), nullptr) << "another size is another entry";
    ASSERT_NE(cache.find("a", {16, 16}), nullptr); // a is now the most recent
    cache.insert("c", {16, 16}, picture(16));
    EXPECT_NE(cache.find("a", {16, 16}), nullptr);
    EXPECT_EQ(cache.find("b", {16, 16}), nullptr);
    EXPECT_NE(cache.find("c", {16, 16}), nullptr);
    EXPECT_LE(cache.bytes(), one * 2);
}

TEST(ImageCache, ReplacingAnEntryCountsItOnceAndOversizedPicturesAreNotKept) {
    const std::size_t one = ImageCache::costOf(*picture(16));
    ImageCache cache(one * 3);
    cache.insert("a", {16, 16}, picture(16));
    cache.insert("a", {16, 16}, picture(16));
    EXPECT_EQ(cache.count(), 1u);
    EXPECT_EQ(cache.bytes(), one);
    cache.insert("huge", {64, 64}, picture(64));
    EXPECT_EQ(cache.find("huge", {64, 64}), nullptr);
    EXPECT_NE(cache.find("a", {16, 16}), nullptr) << "a picture too large evicts nothing";
    cache.insert("none", {16, 16}, nullptr);
    EXPECT_EQ(cache.count(), 1u);
}

} // namespace
} // namespace keepsift::app
