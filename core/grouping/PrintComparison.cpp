#include "core/grouping/PrintComparison.hpp"

#include <cmath>
#include <limits>
#include <vector>

namespace keepsift {

const double* widenedQuanta() {
    static const std::vector<double> table = [] {
        std::vector<double> values(65536);
        for (int bits = 0; bits < 65536; ++bits)
            values[bits] = static_cast<double>(
                FeaturePrint::valueOf(static_cast<std::int16_t>(static_cast<std::uint16_t>(bits))));
        return values;
    }();
    return table.data();
}

double largestSquareWithin(double distance) {
    if (!(distance >= 0)) return -1;
    constexpr double infinity = std::numeric_limits<double>::infinity();
    if (distance == infinity) return infinity;
    double square = distance * distance;
    while (square > 0 && std::sqrt(square) > distance)
        square = std::nextafter(square, 0.0);
    while (square < infinity && std::sqrt(std::nextafter(square, infinity)) <= distance)
        square = std::nextafter(square, infinity);
    return square;
}

bool printsWithin(const std::int16_t* a, const std::int16_t* b, size_t n, double limitSquare) {
    const double* widened = widenedQuanta();
    const auto at = [widened](std::int16_t q) { return widened[static_cast<std::uint16_t>(q)]; };
    double sum = 0;
    size_t i = 0;
    // Checking every eighth partial sum keeps the loop tight; the sum only grows.
    for (; i + 8 <= n; i += 8) {
        for (size_t k = i; k < i + 8; ++k) {
            const double d = at(a[k]) - at(b[k]);
            sum += d * d;
        }
        if (sum > limitSquare) return false;
    }
    for (; i < n; ++i) {
        const double d = at(a[i]) - at(b[i]);
        sum += d * d;
    }
    return sum <= limitSquare;
}

int PrintClasses::classOf(const PhotoSignals& photo) {
    if (photo.storedPrint.isEmpty()) return noComparison;
    const std::tuple<std::string_view, std::optional<std::int64_t>, size_t> probe{
        photo.featurePrintRevision, photo.printLongEdge, photo.storedPrint.count()};
    if (const auto it = classes_.find(probe); it != classes_.end()) return it->second;
    const int next = static_cast<int>(classes_.size());
    classes_.emplace(
        Key{photo.featurePrintRevision, photo.printLongEdge, photo.storedPrint.count()}, next);
    return next;
}

} // namespace keepsift
