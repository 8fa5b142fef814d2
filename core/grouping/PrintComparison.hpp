#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>

#include "core/model/PhotoSignals.hpp"

namespace keepsift {

// Exact shortcuts for comparing feature prints. Every result equals what
// PhotoSignals::printDistance gives: the squared differences of the widened values are
// summed in index order in doubles, and only the order-independent facts are reused
// (partial sums never shrink; sqrt is monotone).

// double(float(q / 32767)) for every 16-bit quantum, indexed by the quantum's bit pattern.
const double* widenedQuanta();

// The largest double s with sqrt(s) <= distance, so that sqrt(sum) <= distance exactly
// when sum <= s; negative when no sum qualifies (a negative or NaN distance).
double largestSquareWithin(double distance);

// Whether the distance of two prints of n quanta is within the distance whose
// largestSquareWithin is limitSquare; stops as soon as a partial sum exceeds it.
bool printsWithin(const std::int16_t* a, const std::int16_t* b, size_t n, double limitSquare);

// Sorts photographs into classes of mutually comparable prints: same revision, same
// rendition edge, same non-empty length. Two photographs have a distance exactly when
// they are in the same class, which is never noComparison.
class PrintClasses {
public:
    static constexpr int noComparison = -1;
    int classOf(const PhotoSignals& photo);

private:
    using Key = std::tuple<std::string, std::optional<std::int64_t>, size_t>;
    std::map<Key, int, std::less<>> classes_;
};

} // namespace keepsift
