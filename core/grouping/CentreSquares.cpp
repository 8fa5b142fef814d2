#include "core/grouping/CentreSquares.hpp"

#include <cstring>

namespace keepsift {
namespace {

// Each lane adds at most four squares before the lanes are added pairwise, so the float sum
// lies within a few float roundings of the exact one, far inside this margin.
constexpr double margin = 1 - 1e-5;

} // namespace

__attribute__((target("avx"))) void
centreSquaresEightLanes(const float* centre, const float* others, size_t count, double* squares) {
    using Eight = float __attribute__((vector_size(32)));
    constexpr size_t parts = centreLength / 8;
    Eight x[parts];
    std::memcpy(x, centre, sizeof x);
    for (size_t c = 0; c < count; ++c) {
        const float* y = others + c * centreLength;
        Eight sums[2] = {};
        for (size_t p = 0; p < parts; ++p) {
            Eight v;
            std::memcpy(&v, y + 8 * p, sizeof v);
            sums[p % 2] += (x[p] - v) * (x[p] - v);
        }
        const Eight s = sums[0] + sums[1];
        const float sum = ((s[0] + s[1]) + (s[2] + s[3])) + ((s[4] + s[5]) + (s[6] + s[7]));
        squares[c] = static_cast<double>(sum) * margin;
    }
}

void centreSquaresFourLanes(const float* centre, const float* others, size_t count,
                            double* squares) {
    using Four = float __attribute__((vector_size(16)));
    constexpr size_t parts = centreLength / 4;
    Four x[parts];
    std::memcpy(x, centre, sizeof x);
    for (size_t c = 0; c < count; ++c) {
        const float* y = others + c * centreLength;
        Four sums[4] = {};
        for (size_t p = 0; p < parts; ++p) {
            Four v;
            std::memcpy(&v, y + 4 * p, sizeof v);
            sums[p % 4] += (x[p] - v) * (x[p] - v);
        }
        const Four s = (sums[0] + sums[1]) + (sums[2] + sums[3]);
        squares[c] = static_cast<double>((s[0] + s[1]) + (s[2] + s[3])) * margin;
    }
}

void centreSquaresBelow(const float* centre, const float* others, size_t count, double* squares) {
    static const bool wide = __builtin_cpu_supports("avx");
    (wide ? centreSquaresEightLanes : centreSquaresFourLanes)(centre, others, count, squares);
}

} // namespace keepsift
