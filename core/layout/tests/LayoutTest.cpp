#include <cmath>
#include <gtest/gtest.h>
#include <limits>

#include "core/layout/CompareLayout.hpp"
#include "core/layout/RowLayout.hpp"

namespace keepsift {
namespace {

TEST(CompareLayoutTest, ColumnsNeverDropBelowOne) {
    EXPECT_EQ(CompareLayout::columns(0, false, 800, CompareLayout::minimumCell), 1);
    EXPECT_EQ(CompareLayout::columns(-3, true, 800, CompareLayout::minimumCell), 1);
    EXPECT_EQ(CompareLayout::columns(5, false, 100, 190), 1);
    EXPECT_EQ(CompareLayout::columns(5, false, std::nan(""), 190), 1);
}

TEST(CompareLayoutTest, ColumnsTakeTheSmallestOfCountFitAndLimit) {
    EXPECT_EQ(CompareLayout::columns(9, false, 800, 190), 3); // 814 / 204 = 3.99
    EXPECT_EQ(CompareLayout::columns(2, false, 2000, 190), 2);
    EXPECT_EQ(CompareLayout::columns(9, false, 2000, 190), 4);
    EXPECT_EQ(CompareLayout::columns(9, true, 2000, 190), 5);
    EXPECT_EQ(CompareLayout::columns(9, true, std::numeric_limits<double>::infinity(), 190), 5);
    EXPECT_EQ(CompareLayout::columns(9, false, 1e300, 190), 4);
}

TEST(CompareLayoutTest, CellWidthSharesTheWidthButKeepsTheMinimum) {
    EXPECT_DOUBLE_EQ(CompareLayout::cellWidth(3, 800), (800.0 - 28.0) / 3.0);
    EXPECT_DOUBLE_EQ(CompareLayout::cellWidth(3, 400), 190.0);
    EXPECT_DOUBLE_EQ(CompareLayout::cellWidth(0, 500), 500.0);
}

TEST(RowLayoutTest, SideFitsTheAvailableWidthBetweenFloorAndMaximum) {
    EXPECT_DOUBLE_EQ(RowLayout::side(3, 700, 260), 676.0 / 3.0 - 12.0);
    EXPECT_DOUBLE_EQ(RowLayout::side(3, 700, 180), 180.0);
    EXPECT_DOUBLE_EQ(RowLayout::side(3, 700, 140), 148.0);
}

TEST(RowLayoutTest, NarrowWindowsWorkFromTheSmallestRowWidth) {
    EXPECT_DOUBLE_EQ(RowLayout::side(1, 100, 1000), 188.0);
    EXPECT_DOUBLE_EQ(RowLayout::side(0, 100, 1000), 188.0);
    EXPECT_FALSE(RowLayout::overflows(1, 188, 100));
}

TEST(RowLayoutTest, RowWidthAndOverflow) {
    EXPECT_DOUBLE_EQ(RowLayout::rowWidth(4, 150), 684.0);
    EXPECT_TRUE(RowLayout::overflows(4, 150, 600));
    EXPECT_FALSE(RowLayout::overflows(4, 150, 700));
    EXPECT_FALSE(RowLayout::overflows(4, 150, 684));
    EXPECT_DOUBLE_EQ(RowLayout::rowWidth(0, 150), 162.0);
}

TEST(RowLayoutTest, OlderNamesGiveTheSameValues) {
    EXPECT_EQ(RowLayout::cellPadding * 2, RowLayout::spacing);
    EXPECT_EQ(RowLayout::minimumCell, RowLayout::minimumSide);
    EXPECT_EQ(RowLayout::cellSide(3, 700, 260), RowLayout::side(3, 700, 260));
    EXPECT_EQ(RowLayout::stripWidth(4, 150), RowLayout::rowWidth(4, 150));
    EXPECT_EQ(RowLayout::needsScroll(4, 150, 600), RowLayout::overflows(4, 150, 600));
}

} // namespace
} // namespace keepsift
