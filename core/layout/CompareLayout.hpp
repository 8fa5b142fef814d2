#pragma once

namespace keepsift {

// How the side-by-side comparison of a group lays out its columns, in points.
struct CompareLayout {
    static constexpr double minimumCell = 190.0;
    static constexpr double gap = 14.0;
    static constexpr int maximumColumns = 4;
    static constexpr int maximumPortraitColumns = 5;

    // Never below 1, never above the photo count or the orientation's limit.
    static int columns(int count, bool portrait, double width, double cell);
    static double cellWidth(int columns, double width);
};

} // namespace keepsift
