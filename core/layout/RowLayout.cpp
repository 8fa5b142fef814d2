#include "core/layout/RowLayout.hpp"

#include <algorithm>

namespace keepsift {
namespace {

int cellCount(int count) {
    return count < 1 ? 1 : count;
}
double usableWidth(double available) {
    return std::max(available, RowLayout::minimumRowWidth);
}

} // namespace

double RowLayout::side(int count, double available, double maximum) {
    const int n = cellCount(count);
    const double fitted = (usableWidth(available) - (n - 1) * spacing) / n - spacing;
    // The floor wins over a maximum smaller than itself.
    return std::max(std::min(fitted, maximum), minimumSide);
}

double RowLayout::rowWidth(int count, double side) {
    const int n = cellCount(count);
    return (side + spacing) * n + (n - 1) * spacing;
}

bool RowLayout::overflows(int count, double side, double available) {
    return usableWidth(available) < rowWidth(count, side);
}

} // namespace keepsift
