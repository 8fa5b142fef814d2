#include <gtest/gtest.h>

#include "Keepsift/review/ThumbnailState.hpp"

namespace keepsift::app {
namespace {

std::shared_ptr<const Image> picture(int side) {
    auto image = std::make_shared<Image>();
    image->width = image->height = side;
    return image;
}

TEST(ThumbnailState, PixelSizesAreRoundedUpToMultiplesOf256) {
    EXPECT_EQ(ThumbnailState::pixelSize(148, 148, 148, 2.0), 512);
    EXPECT_EQ(ThumbnailState::pixelSize(260, 260, 260, 2.0), 768);
    EXPECT_EQ(ThumbnailState::pixelSize(520, 520, 520, 2.0), 1280);
    EXPECT_EQ(ThumbnailState::pixelSize(100, 100, 100, 2.0), 256);
    EXPECT_EQ(ThumbnailState::pixelSize(900, 600, 0, 1.0), 1024);
    EXPECT_EQ(ThumbnailState::pixelSize(0, 0, 0, 1.0), 0);
}

TEST(ThumbnailState, NeverAsksAgainForASizeItHasAndNeverDowngrades) {
    ThumbnailState state;
    EXPECT_TRUE(state.needs(512));
    EXPECT_TRUE(state.acceptFull(512, picture(512)));
    EXPECT_FALSE(state.needs(512));
    EXPECT_FALSE(state.needs(256)) << "a shrinking view keeps the larger picture";
    EXPECT_TRUE(state.needs(768));
    EXPECT_TRUE(state.acceptFull(768, picture(768)));
    EXPECT_FALSE(state.acceptFull(512, picture(512))) << "a late smaller answer is dropped";
    EXPECT_EQ(state.image()->width, 768);
    EXPECT_EQ(state.loadedFor(), 768);
}

TEST(ThumbnailState, APreviewShowsOnlyWhileNothingIsShownAndLeavesTheSizeAlone) {
    ThumbnailState state;
    EXPECT_TRUE(state.wantsPreview());
    EXPECT_TRUE(state.acceptPreview(picture(512)));
    EXPECT_EQ(state.loadedFor(), 0);
    EXPECT_FALSE(state.acceptPreview(picture(512)));
    EXPECT_TRUE(state.acceptFull(1024, picture(1024)));
    EXPECT_FALSE(state.acceptPreview(picture(512)));
    EXPECT_EQ(state.image()->width, 1024);
}

TEST(ThumbnailState, NoPictureChangesNothing) {
    ThumbnailState state;
    EXPECT_FALSE(state.acceptFull(512, nullptr));
    EXPECT_FALSE(state.acceptPreview(nullptr));
    EXPECT_EQ(state.image(), nullptr);
    EXPECT_TRUE(state.needs(512));
}

} // namespace
} // namespace keepsift::app
