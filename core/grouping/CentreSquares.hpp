#pragma once

#include <cstddef>

namespace keepsift {

// How many leading print values a run's centre holds.
constexpr size_t centreLength = 64;

// For each of `count` vectors of centreLength floats laid out one after another from `others`,
// a lower bound of its squared distance from `centre`: the float sum, lowered by far more than
// its rounding can reach. Uses the widest vectors the processor has.
void centreSquaresBelow(const float* centre, const float* others, size_t count, double* squares);

// The two ways it has; the eight-lane one needs AVX.
void centreSquaresFourLanes(const float* centre, const float* others, size_t count,
                            double* squares);
void centreSquaresEightLanes(const float* centre, const float* others, size_t count,
                             double* squares);

} // namespace keepsift
