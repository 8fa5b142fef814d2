#pragma once

namespace keepsift {

// How a group row of the review window sizes its square photo cells, in points.
struct RowLayout {
    static constexpr double spacing = 12.0;
    static constexpr double inset = 6.0;
    static constexpr double minimumSide = 148.0;
    static constexpr double minimumRowWidth = 200.0;

    // A count below 1 counts as one cell.
    static double side(int count, double available, double maximum);
    static double rowWidth(int count, double side);
    static bool overflows(int count, double side, double available);

    // Older names of the same rules.
    static constexpr double cellPadding = inset;
    static constexpr double minimumCell = minimumSide;
    static double cellSide(int count, double available, double maximum) {
        return side(count, available, maximum);
    }
    static double stripWidth(int count, double cell) { return rowWidth(count, cell); }
    static bool needsScroll(int count, double side, double available) {
        return overflows(count, side, available);
    }
};

} // namespace keepsift
