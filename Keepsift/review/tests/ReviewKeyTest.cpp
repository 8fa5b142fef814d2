#include <gtest/gtest.h>

#include "Keepsift/review/ReviewKey.hpp"

namespace keepsift::app {
namespace {

using Kind = ReviewKey::Kind;

TEST(ReviewKey, NamedKeysComeFirst) {
    EXPECT_EQ(reviewKeyFor(NamedKey::returnKey, 0, -1), ReviewKey::of(Kind::commit));
    EXPECT_EQ(reviewKeyFor(NamedKey::enter, 0, -1), ReviewKey::of(Kind::commit));
    EXPECT_EQ(reviewKeyFor(NamedKey::space, U' ', -1), ReviewKey::of(Kind::toggleCompare));
    EXPECT_EQ(reviewKeyFor(NamedKey::escape, 0, -1), ReviewKey::of(Kind::close));
    EXPECT_EQ(reviewKeyFor(NamedKey::down, 0, -1), ReviewKey::of(Kind::nextGroup));
    EXPECT_EQ(reviewKeyFor(NamedKey::up, 0, -1), ReviewKey::of(Kind::previousGroup));
}

TEST(ReviewKey, DigitsOneToNinePickPhotosAndSSelects) {
    EXPECT_EQ(reviewKeyFor(NamedKey::other, U'1', 1), ReviewKey::photoAt(1));
    EXPECT_EQ(reviewKeyFor(NamedKey::other, U'9', 9), ReviewKey::photoAt(9));
    EXPECT_EQ(reviewKeyFor(NamedKey::other, U'٣', 3), ReviewKey::photoAt(3))
        << "any script's digit";
    EXPECT_EQ(reviewKeyFor(NamedKey::other, U'0', 0), std::nullopt);
    EXPECT_EQ(reviewKeyFor(NamedKey::other, U's', -1), ReviewKey::of(Kind::toggleSelection));
    EXPECT_EQ(reviewKeyFor(NamedKey::other, U'a', -1), std::nullopt);
    EXPECT_EQ(reviewKeyFor(NamedKey::other, 0, -1), std::nullopt);
    EXPECT_NE(ReviewKey::photoAt(1), ReviewKey::photoAt(2));
}

} // namespace
} // namespace keepsift::app
