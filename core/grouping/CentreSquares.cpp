#include "core/grouping/CentreSquares.hpp"

#include <cstring>

namespace keepsift {
namespace {

// Each lane adds at most four squares before the lanes are added pairwise, so the float sum
// lies within a few float roundings of the exact one, far inside this margin.
constexpr double margin = 1 - 1e-5;

template <size_t lanes> float laneSum(const float* sums) {
    if constexpr (lanes == 1)
        return sums[0];
    else
        return laneSum<lanes / 2>(sums) + laneSum<lanes / 2>(sums + lanes / 2);
}

using Four = float __attribute__((vector_size(16)));
using Eight = float __attribute__((vector_size(32)));

// Always inlined, so that each caller's instruction set compiles it.
template <class Lanes, size_t accumulators>
[[gnu::always_inline]] inline void squaresWith(const float* centre, const float* others,
                                               size_t count, double* squares) {
    constexpr size_t lanes = sizeof(Lanes) / sizeof(float);
    constexpr size_t parts = centreLength / lanes;
    Lanes x[parts];
    std::memcpy(x, centre, sizeof x);
    for (size_t c = 0; c < count; ++c) {
        const float* y = others + c * centreLength;
        Lanes sums[accumulators] = {};
        for (size_t p = 0; p < parts; ++p) {
            Lanes v;
            std::memcpy(&v, y + lanes * p, sizeof v);
            sums[p % accumulators] += (x[p] - v) * (x[p] - v);
        }
        for (size_t a = 1; a < accumulators; ++a)
            sums[0] += sums[a];
        float total[lanes];
        std::memcpy(total, &sums[0], sizeof total);
        squares[c] = static_cast<double>(laneSum<lanes>(total)) * margin;
    }
}

} // namespace

__attribute__((target("avx"))) void
centreSquaresEightLanes(const float* centre, const float* others, size_t count, double* squares) {
    squaresWith<Eight, 2>(centre, others, count, squares);
}

void centreSquaresFourLanes(const float* centre, const float* others, size_t count,
                            double* squares) {
    squaresWith<Four, 4>(centre, others, count, squares);
}

void centreSquaresBelow(const float* centre, const float* others, size_t count, double* squares) {
    static const bool wide = __builtin_cpu_supports("avx");
    (wide ? centreSquaresEightLanes : centreSquaresFourLanes)(centre, others, count, squares);
}

} // namespace keepsift
