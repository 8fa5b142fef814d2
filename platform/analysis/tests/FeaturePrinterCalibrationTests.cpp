// Calibrates the print against the grouping thresholds on real photographs from Debian
// packages, the variations made here: copies stay within the near-identical distance (smaller
// ones within the copy distance); blurred or shaken shots leave their sharp one by more than the
// near-identical distance yet stay within the merge distance of every shot of their burst, as
// shifted and re-exposed shots do; different pictures lie beyond the merge distance, and
// beyond 0.6 all but a thousandth of them, over tens of thousands of pairs.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "core/grouping/GroupingPolicy.hpp"
#include "platform/analysis/BlockFeaturePrinter.hpp"
#include "platform/analysis/tests/CalibrationPhotographs.hpp"
#include "platform/analysis/tests/ImageVariants.hpp"
#include "platform/analysis/tests/SampleImages.hpp"
#include "platform/analysis/tests/SampleScope.hpp"

namespace keepsift {
namespace {

using namespace image_variants;

using Transform = std::function<cv::Mat(const cv::Mat&)>;

struct NamedTransform {
    const char* name;
    Transform make;
};

// Copies framed by a uniform band, as an export, a letterbox or a pillarbox adds.
std::vector<NamedTransform> borderedCopies() {
    const cv::Scalar black(0, 0, 0), white(255, 255, 255), grey(128, 128, 128);
    const cv::Scalar teal(150, 120, 30);
    return {
        {"black 1% all", [=](const cv::Mat& m) { return bordered(m, 0.01, allSides, black); }},
        {"black 2% all", [=](const cv::Mat& m) { return bordered(m, 0.02, allSides, black); }},
        {"white 1% letterbox",
         [=](const cv::Mat& m) { return bordered(m, 0.01, topAndBottom, white); }},
        {"white 2% letterbox",
         [=](const cv::Mat& m) { return bordered(m, 0.02, topAndBottom, white); }},
        {"grey 2% pillarbox",
         [=](const cv::Mat& m) { return bordered(m, 0.02, leftAndRight, grey); }},
        {"teal 1% pillarbox",
         [=](const cv::Mat& m) { return bordered(m, 0.01, leftAndRight, teal); }},
        {"white 2% bottom", [=](const cv::Mat& m) { return bordered(m, 0.02, bottomSide, white); }},
        {"white 2% all, JPEG 85",
         [=](const cv::Mat& m) { return reencoded(bordered(m, 0.02, allSides, white), 85); }},
        {"black 2% all, JPEG 70",
         [=](const cv::Mat& m) { return reencoded(bordered(m, 0.02, allSides, black), 70); }},
    };
}

std::vector<NamedTransform> smallCrops() {
    return {
        {"crop 1% right", [](const cv::Mat& m) { return cropped(m, 0.01, rightSide); }},
        {"crop 2% right", [](const cv::Mat& m) { return cropped(m, 0.02, rightSide); }},
        {"crop 1% all", [](const cv::Mat& m) { return cropped(m, 0.01, allSides); }},
        {"crop 2% all", [](const cv::Mat& m) { return cropped(m, 0.02, allSides); }},
    };
}

// Exports come at any size, not only at whole fractions of the original.
std::vector<Transform> copies() {
    return {[](const cv::Mat& m) { return reencoded(m, 90); },
            [](const cv::Mat& m) { return reencoded(m, 70); },
            [](const cv::Mat& m) { return resized(m, 0.5); },
            [](const cv::Mat& m) { return reencoded(resized(m, 0.75), 80); },
            [](const cv::Mat& m) { return reencoded(resized(m, 0.5), 75); },
            [](const cv::Mat& m) { return resized(m, 0.9); },
            [](const cv::Mat& m) { return reencoded(resized(m, 0.7), 85); },
            [](const cv::Mat& m) { return reencoded(resized(m, 0.55), 80); }};
}

// Shots of one moment that a burst holds beside its sharp one: shaken, out of focus, moved
// or exposed differently, and combinations.
std::vector<Transform> softened() {
    return {[](const cv::Mat& m) { return smeared(m, 0.005, 0.0); },
            [](const cv::Mat& m) { return smeared(m, 0.005, 1.1); },
            [](const cv::Mat& m) { return smeared(m, 0.01, 2.3); },
            [](const cv::Mat& m) { return blurred(m, 0.002); },
            [](const cv::Mat& m) { return blurred(m, 0.004); },
            [](const cv::Mat& m) { return shifted(smeared(m, 0.006, 0.5), 0.01); },
            [](const cv::Mat& m) { return evShifted(blurred(m, 0.003), 0.3); },
            [](const cv::Mat& m) { return evShifted(shifted(blurred(m, 0.002), 0.02), -0.3); }};
}

std::vector<Transform> sameMoment() {
    return {[](const cv::Mat& m) { return shifted(m, 0.05); },
            [](const cv::Mat& m) { return shifted(m, 0.10); },
            [](const cv::Mat& m) { return rotated(m, 3); },
            [](const cv::Mat& m) { return rotated(m, -5); },
            [](const cv::Mat& m) { return exposed(m, 1.3); },
            [](const cv::Mat& m) { return exposed(m, 0.7); },
            [](const cv::Mat& m) { return blurred(m, 0.004); },
            [](const cv::Mat& m) { return exposed(shifted(m, 0.05), 1.15); }};
}

// What else a burst holds: the frame moved by up to 3 %, the exposure by up to half a stop.
std::vector<Transform> burstMoves() {
    return {[](const cv::Mat& m) { return shifted(m, 0.01); },
            [](const cv::Mat& m) { return shifted(m, 0.02); },
            [](const cv::Mat& m) { return shifted(m, 0.03); },
            [](const cv::Mat& m) { return evShifted(m, 0.25); },
            [](const cv::Mat& m) { return evShifted(m, -0.5); },
            [](const cv::Mat& m) { return evShifted(m, 0.5); },
            [](const cv::Mat& m) { return evShifted(shifted(m, 0.03), 0.5); },
            [](const cv::Mat& m) { return evShifted(shifted(m, 0.02), -0.5); }};
}

// The print reads a rendition of at most 2048 pixels (the long side): a camera photograph,
// and any copy of at least a quarter of its area, arrive at least 1024 pixels wide. The samples
// are small, so each is brought to that size with a little sensor noise, soft at the pixel
// level as a phone photograph is.
constexpr double photographSide = 2048;
// Small originals (an old or a messaging-app photograph) make the hardest copies: a half-size
// copy is then no larger than the detail the print reads.
constexpr double smallPhotographSide = 1024;

double distance(const std::vector<float>& a, const std::vector<float>& b) {
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i)
        sum += (double(a[i]) - b[i]) * (double(a[i]) - b[i]);
    return std::sqrt(sum);
}

double quantile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    auto rank = static_cast<size_t>(std::ceil(p * static_cast<double>(values.size())));
    return values[std::clamp<size_t>(rank, 1, values.size()) - 1];
}

double shareOf(const std::vector<double>& values, const std::function<bool(double)>& keep) {
    return static_cast<double>(std::count_if(values.begin(), values.end(), keep)) /
           static_cast<double>(values.size());
}

std::vector<double> joined(const std::vector<std::vector<double>>& parts) {
    std::vector<double> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

std::vector<Transform> makersOf(const std::vector<NamedTransform>& variations) {
    std::vector<Transform> makers;
    for (const auto& variation : variations)
        makers.push_back(variation.make);
    return makers;
}

// One photograph at a phone photograph's size, printed as it is and under every variation.
struct PrintedPhotograph {
    std::vector<float> original;
    std::vector<std::vector<float>> copied, bordered, cropped, softened, moved, wider;
};
using Variations = std::vector<std::vector<float>> PrintedPhotograph::*;

// Printed once per process, and the suite runs in one: the tests share most variations. The
// photographs are large pictures, so each is made at its size only while it is varied.
const std::vector<PrintedPhotograph>& printedPhotographs() {
    static const std::vector<PrintedPhotograph> printed = [] {
        const BlockFeaturePrinter printer;
        std::vector<PrintedPhotograph> all;
        for (const auto& sample : samples::calibrationPhotographs()) {
            const cv::Mat image = samples::atPhotographSize(sample, photographSide);
            const auto under = [&](const std::vector<Transform>& transforms) {
                std::vector<std::vector<float>> prints;
                for (const auto& transform : transforms)
                    prints.push_back(printer.print(transform(image)));
                return prints;
            };
            all.push_back({printer.print(image), under(copies()), under(makersOf(borderedCopies())),
                           under(makersOf(smallCrops())), under(softened()), under(burstMoves()),
                           under(sameMoment())});
        }
        return all;
    }();
    return printed;
}

// The distances of each variation from its photograph, one list per variation.
std::vector<std::vector<double>> distancesUnder(Variations variations) {
    std::vector<std::vector<double>> perVariation;
    for (const auto& photograph : printedPhotographs()) {
        const auto& prints = photograph.*variations;
        perVariation.resize(prints.size());
        for (size_t v = 0; v < prints.size(); ++v)
            perVariation[v].push_back(distance(photograph.original, prints[v]));
    }
    return perVariation;
}

// Prints the figures of each named variation on its own; returns all distances together.
std::vector<double> distancesUnderEach(Variations variations,
                                       const std::vector<NamedTransform>& named) {
    const auto perVariation = distancesUnder(variations);
    for (size_t i = 0; i < perVariation.size(); ++i) {
        const auto& some = perVariation[i];
        std::printf("%-22s p50 = %.4f p90 = %.4f max = %.4f\n", named[i].name, quantile(some, 0.5),
                    quantile(some, 0.9), quantile(some, 1.0));
    }
    return joined(perVariation);
}

// Shares and quantiles are checked only where the whole set is read (see SampleScope.hpp).
class FeaturePrintCalibration : public ::testing::Test {
protected:
    void SetUp() override {
        if (samples::calibrationPhotographs().empty()) GTEST_SKIP() << samples::unavailable;
    }
};

TEST_F(FeaturePrintCalibration, CopiesStayWithinTheIdenticalDistance) {
    const auto distances = joined(distancesUnder(&PrintedPhotograph::copied));
    double p99 = quantile(distances, 0.99);
    std::printf("copies p50 = %.4f p90 = %.4f p99 = %.4f\n", quantile(distances, 0.5),
                quantile(distances, 0.9), p99);
    if (!samples::wholeSample) return;
    EXPECT_LE(quantile(distances, 0.9), 0.04);
    EXPECT_LE(p99, 0.06);
}

// A copy folds into its original as a near-identical shot when it has the original's size,
// and through copy detection when it is smaller. Only this test reads the small photographs.
TEST_F(FeaturePrintCalibration, CopiesOfSmallPhotographsStillFoldIntoTheirOriginals) {
    const BlockFeaturePrinter printer;
    const auto transforms = copies();
    std::vector<std::vector<double>> perCopy(transforms.size());
    for (const auto& sample : samples::calibrationPhotographs()) {
        const cv::Mat image = samples::atPhotographSize(sample, smallPhotographSide);
        const auto base = printer.print(image);
        for (size_t t = 0; t < transforms.size(); ++t)
            perCopy[t].push_back(distance(base, printer.print(transforms[t](image))));
    }
    const auto distances = joined(perCopy);
    std::printf("small photographs' copies p50 = %.4f p90 = %.4f p99 = %.4f\n",
                quantile(distances, 0.5), quantile(distances, 0.9), quantile(distances, 0.99));
    const GroupingPolicy policy;
    for (size_t i = 0; i < perCopy.size(); ++i) {
        const bool sameSize = i < 2; // the two re-encodes
        std::printf("  copy %zu max = %.4f\n", i, quantile(perCopy[i], 1.0));
        EXPECT_LE(quantile(perCopy[i], 1.0),
                  sameSize ? policy.identicalDistance : policy.duplicateDistance);
    }
    // Copies of half the size or less carry less detail than the print reads.
    if (!samples::wholeSample) return;
    EXPECT_LE(quantile(distances, 0.9), 0.11);
}

// A border leaves the print alone: the print is made inside it. Where the picture's own edge
// has the border's colour (a white background under a white letterbox), the two merge and the
// copy keeps the border's width of that colour, a few hundredths off, which stays rare.
TEST_F(FeaturePrintCalibration, BorderedCopiesStayWithinTheIdenticalDistance) {
    auto distances = distancesUnderEach(&PrintedPhotograph::bordered, borderedCopies());
    const auto copyDistances = joined(distancesUnder(&PrintedPhotograph::copied));
    distances.insert(distances.end(), copyDistances.begin(), copyDistances.end());
    std::printf("copies and bordered copies p50 = %.4f p90 = %.4f p99 = %.4f\n",
                quantile(distances, 0.5), quantile(distances, 0.9), quantile(distances, 0.99));
    // Every one still folds into its original as a near-identical copy.
    EXPECT_LE(quantile(distances, 1.0), 0.10);
    if (!samples::wholeSample) return;
    EXPECT_LE(quantile(distances, 0.9), 0.035);
    EXPECT_LE(quantile(distances, 0.99), 0.06);
}

// A crop moves and scales what the coarse blocks see, as a step aside does, though they fade
// towards the edges: nine in ten small crops fold into their original as smaller copies, and
// every one stays in the moment.
TEST_F(FeaturePrintCalibration, SmallCropsStayNearTheirOriginal) {
    auto distances = distancesUnderEach(&PrintedPhotograph::cropped, smallCrops());
    std::printf("small crops p50 = %.4f p90 = %.4f p99 = %.4f\n", quantile(distances, 0.5),
                quantile(distances, 0.9), quantile(distances, 0.99));
    EXPECT_LE(quantile(distances, 1.0), 0.54);
    if (!samples::wholeSample) return;
    EXPECT_LE(quantile(distances, 0.5), 0.07);
    EXPECT_LE(quantile(distances, 0.9), GroupingPolicy{}.duplicateDistance);
}

TEST_F(FeaturePrintCalibration, BlurredShotsLeaveTheSharpOneYetStayInTheirBurst) {
    std::vector<double> fromSharp, withinBurst;
    for (const auto& burst : printedPhotographs()) {
        for (const auto& soft : burst.softened)
            fromSharp.push_back(distance(burst.original, soft));
        std::vector<const std::vector<float>*> shots{&burst.original};
        for (const auto* part : {&burst.softened, &burst.moved})
            for (const auto& shot : *part)
                shots.push_back(&shot);
        for (size_t i = 0; i < shots.size(); ++i)
            for (size_t j = i + 1; j < shots.size(); ++j)
                withinBurst.push_back(distance(*shots[i], *shots[j]));
    }
    const GroupingPolicy policy = GroupingPolicy::standard;
    const double beyondIdentical =
        shareOf(fromSharp, [&](double d) { return d > policy.identicalDistance; });
    const double together =
        shareOf(withinBurst, [&](double d) { return d <= policy.distanceThreshold; });
    std::printf("blurred from their sharp shot p05 = %.4f p50 = %.4f, beyond %.2f: %.3f; "
                "within a burst p50 = %.4f p99 = %.4f max = %.4f, within %.2f: %.4f (%zu pairs)\n",
                quantile(fromSharp, 0.05), quantile(fromSharp, 0.5), policy.identicalDistance,
                beyondIdentical, quantile(withinBurst, 0.5), quantile(withinBurst, 0.99),
                quantile(withinBurst, 1.0), policy.distanceThreshold, together, withinBurst.size());
    if (!samples::wholeSample) return;
    EXPECT_GE(beyondIdentical, 0.90);
    EXPECT_GE(together, 0.99);
}

// A photographer's step aside or turn is a new framing of the moment; most still stay in it.
TEST_F(FeaturePrintCalibration, WiderMovesMostlyStayInTheMoment) {
    const auto moment = joined(distancesUnder(&PrintedPhotograph::wider));
    std::printf("wider moves p50 = %.4f p90 = %.4f\n", quantile(moment, 0.5),
                quantile(moment, 0.9));
    if (!samples::wholeSample) return;
    EXPECT_LE(quantile(moment, 0.90), GroupingPolicy::standard.distanceThreshold);
}

// A day of 120 varied photographs offers 7,140 pairs: none may merge.
TEST_F(FeaturePrintCalibration, DifferentPicturesStayApart) {
    std::vector<std::vector<const std::vector<float>*>> byPicture;
    for (const auto& burst : printedPhotographs()) {
        auto& prints = byPicture.emplace_back(1, &burst.original);
        for (const auto* part : {&burst.softened, &burst.moved, &burst.copied})
            for (const auto& print : *part)
                prints.push_back(&print);
    }
    std::vector<double> distances;
    for (size_t a = 0; a < byPicture.size(); ++a)
        for (size_t b = a + 1; b < byPicture.size(); ++b)
            for (const auto* x : byPicture[a])
                for (const auto* y : byPicture[b])
                    distances.push_back(distance(*x, *y));
    const double merge = GroupingPolicy::standard.distanceThreshold;
    const double withinMerge = shareOf(distances, [&](double d) { return d <= merge; });
    const double within06 = shareOf(distances, [](double d) { return d <= 0.6; });
    std::printf("different pictures min = %.4f p001 = %.4f p05 = %.4f; within %.2f: %.5f %%, "
                "within 0.6: %.5f %% (%zu pairs)\n",
                quantile(distances, 0.0), quantile(distances, 0.001), quantile(distances, 0.05),
                merge, 100 * withinMerge, 100 * within06, distances.size());
    if (!samples::wholeSample) return;
    EXPECT_LE(withinMerge, 0.0001);
    EXPECT_LE(within06, 0.001);
}

} // namespace
} // namespace keepsift
