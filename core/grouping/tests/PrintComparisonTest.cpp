#include <cmath>
#include <random>

#include <gtest/gtest.h>

#include "PhotoFactory.hpp"
#include "core/grouping/PrintComparison.hpp"

namespace keepsift {
namespace {

bool fastWithin(const PhotoSignals& a, const PhotoSignals& b, double threshold) {
    const auto& x = a.storedPrint.quanta();
    return printsWithin(x.data(), b.storedPrint.quanta().data(), x.size(),
                        largestSquareWithin(threshold));
}

// The early exit must agree with the full distance even at thresholds equal to the
// distance and one step on either side of it.
TEST(PrintComparison, EarlyExitAgreesWithTheFullDistanceAtTheBoundary) {
    std::mt19937 random(5);
    std::uniform_real_distribution<float> value(-0.1f, 0.1f);
    for (int round = 0; round < 300; ++round) {
        const size_t length = 1 + round % 40;
        std::vector<float> x(length), y(length);
        for (size_t i = 0; i < length; ++i)
            x[i] = value(random), y[i] = value(random);
        const auto a = sample::photo("a", 0, x), b = sample::photo("b", 0, y);
        const double d = *a.printDistance(b);
        for (double t : {d, std::nextafter(d, 0.0), std::nextafter(d, 1.0), d * 0.5})
            EXPECT_EQ(fastWithin(a, b, t), d <= t) << round;
    }
}

TEST(PrintComparison, LargestSquareHandlesOddThresholds) {
    EXPECT_LT(largestSquareWithin(-1), 0);
    EXPECT_LT(largestSquareWithin(std::nan("")), 0);
    EXPECT_EQ(largestSquareWithin(0), 0);
    EXPECT_TRUE(std::isinf(largestSquareWithin(INFINITY)));
    for (double t : {0.12, 0.54, 0.1, 1e-160, 1e200}) {
        const double s = largestSquareWithin(t);
        EXPECT_LE(std::sqrt(s), t);
        EXPECT_GT(std::sqrt(std::nextafter(s, INFINITY)), t);
    }
}

TEST(PrintComparison, ClassesFollowRevisionEdgeAndLength) {
    PrintClasses classes;
    auto a = sample::photo("a", 0), b = sample::photo("b", 0);
    EXPECT_EQ(classes.classOf(a), classes.classOf(b));
    b.printLongEdge = 512;
    EXPECT_NE(classes.classOf(a), classes.classOf(b));
    a.printLongEdge = 512;
    EXPECT_EQ(classes.classOf(a), classes.classOf(b));
    b.featurePrintRevision = "older";
    EXPECT_NE(classes.classOf(a), classes.classOf(b));
    b = sample::photo("b", 0, {0.f, 0.f, 0.f});
    EXPECT_NE(classes.classOf(sample::photo("a", 0)), classes.classOf(b));
    b.setFeaturePrint({});
    EXPECT_EQ(classes.classOf(b), PrintClasses::noComparison);
}

} // namespace
} // namespace keepsift
