#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "core/grouping/CentreSquares.hpp"

namespace keepsift {
namespace {

using Kernel = void (*)(const float*, const float*, size_t, double*);

// Every square lies at or below the exact one, and close to it.
void expectLowerBounds(Kernel kernel) {
    std::mt19937 random(5);
    std::uniform_real_distribution<float> value(-1, 1);
    const size_t count = 300;
    std::vector<float> centre(centreLength), others(count * centreLength);
    for (auto& v : centre)
        v = value(random);
    for (size_t c = 0; c < count; ++c)
        for (size_t k = 0; k < centreLength; ++k)
            // Some vectors lie a hair from the centre, where rounding matters most.
            others[c * centreLength + k] =
                c % 3 ? value(random) : centre[k] + value(random) * 1e-4f;
    std::vector<double> squares(count);
    kernel(centre.data(), others.data(), count, squares.data());
    for (size_t c = 0; c < count; ++c) {
        double exact = 0;
        for (size_t k = 0; k < centreLength; ++k) {
            const double d = double(centre[k]) - double(others[c * centreLength + k]);
            exact += d * d;
        }
        EXPECT_LE(squares[c], exact) << c;
        EXPECT_GE(squares[c], exact * (1 - 1e-4)) << c;
    }
}

TEST(CentreSquares, FourLanesStayBelowTheExactSquares) {
    expectLowerBounds(centreSquaresFourLanes);
}

TEST(CentreSquares, EightLanesStayBelowTheExactSquares) {
    if (!__builtin_cpu_supports("avx")) GTEST_SKIP() << "no AVX";
    expectLowerBounds(centreSquaresEightLanes);
}

TEST(CentreSquares, TheChosenWayStaysBelowTheExactSquares) {
    expectLowerBounds(centreSquaresBelow);
}

} // namespace
} // namespace keepsift
