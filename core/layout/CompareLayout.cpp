#include "core/layout/CompareLayout.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace keepsift {
namespace {

// The views never pass a width that is not finite, but a NaN or a huge ratio must not
// reach an integer conversion: that would be undefined.
int wholeColumnsFitting(double width, double cell) {
    const double ratio = (width + CompareLayout::gap) / (cell + CompareLayout::gap);
    if (!(ratio >= 1.0)) return 0;
    if (ratio >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    return static_cast<int>(std::trunc(ratio));
}

} // namespace

int CompareLayout::columns(int count, bool portrait, double width, double cell) {
    if (count < 1) return 1;
    const int fit = wholeColumnsFitting(width, cell);
    if (fit < 1) return 1;
    const int limit = portrait ? maximumPortraitColumns : maximumColumns;
    return std::min({count, fit, limit});
}

double CompareLayout::cellWidth(int columns, double width) {
    const int n = columns < 1 ? 1 : columns;
    return std::max((width - (n - 1) * gap) / n, minimumCell);
}

} // namespace keepsift
