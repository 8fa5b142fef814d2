// Calibrates the print's block weights against the grouping thresholds: copies of a picture
// (the same pixels, also inside a border) stay within 0.05, blurred or shaken shots of one moment
// lie beyond 0.10 (mostly beyond 0.15) of the sharp one yet within 0.54, shots of one moment
// mostly within 0.54, unrelated pictures beyond 0.75. The pictures are real photographs from
// Debian packages; the variations are made here.

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

class FeaturePrintCalibration : public ::testing::Test {
protected:
    static const std::vector<cv::Mat>& samplesRead() { return samples::calibrationPhotographs(); }
    void SetUp() override {
        if (samplesRead().empty()) GTEST_SKIP() << samples::unavailable;
    }
    // Shared by two tests, measured once per run.
    const std::vector<double>& copyDistances() const {
        static const std::vector<double> distances = joined(distancesUnder(copies()));
        return distances;
    }
    // Prints the figures of each variation on its own; returns all distances together.
    std::vector<double> distancesUnderEach(const std::vector<NamedTransform>& variations) const {
        std::vector<Transform> transforms;
        for (const auto& variation : variations)
            transforms.push_back(variation.make);
        const auto perVariation = distancesUnder(transforms);
        for (size_t i = 0; i < variations.size(); ++i) {
            const auto& some = perVariation[i];
            std::printf("%-22s p50 = %.4f p90 = %.4f max = %.4f\n", variations[i].name,
                        quantile(some, 0.5), quantile(some, 0.9), quantile(some, 1.0));
        }
        return joined(perVariation);
    }
    // The distances of each transform from its photograph, one list per transform. Each
    // photograph is made at its size only while it is varied: they are large pictures.
    std::vector<std::vector<double>> distancesUnder(const std::vector<Transform>& transforms,
                                                    double side = photographSide) const {
        std::vector<std::vector<double>> perTransform(transforms.size());
        for (const auto& sample : samplesRead()) {
            const cv::Mat image = samples::atPhotographSize(sample, side);
            const auto base = printer.print(image);
            for (size_t t = 0; t < transforms.size(); ++t)
                perTransform[t].push_back(distance(base, printer.print(transforms[t](image))));
        }
        return perTransform;
    }
    BlockFeaturePrinter printer;
};

TEST_F(FeaturePrintCalibration, CopiesStayWithinTheIdenticalDistance) {
    const auto& distances = copyDistances();
    double p99 = quantile(distances, 0.99);
    std::printf("copies p50 = %.4f p90 = %.4f p99 = %.4f\n", quantile(distances, 0.5),
                quantile(distances, 0.9), p99);
    EXPECT_LE(quantile(distances, 0.9), 0.03);
    EXPECT_LE(p99, 0.05);
}

// A copy folds into its original as a near-identical shot when it has the original's size,
// and through copy detection when it is smaller.
TEST_F(FeaturePrintCalibration, CopiesOfSmallPhotographsStillFoldIntoTheirOriginals) {
    const auto perCopy = distancesUnder(copies(), smallPhotographSide);
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
    EXPECT_LE(quantile(distances, 0.9), 0.07);
}

// A border leaves the print alone: the print is made inside it. Where the picture's own edge
// has the border's colour (a white background under a white letterbox), the two merge and the
// copy keeps the border's width of that colour, a few hundredths off, which stays rare.
TEST_F(FeaturePrintCalibration, BorderedCopiesStayWithinTheIdenticalDistance) {
    auto distances = distancesUnderEach(borderedCopies());
    distances.insert(distances.end(), copyDistances().begin(), copyDistances().end());
    std::printf("copies and bordered copies p50 = %.4f p90 = %.4f p99 = %.4f\n",
                quantile(distances, 0.5), quantile(distances, 0.9), quantile(distances, 0.99));
    EXPECT_LE(quantile(distances, 0.9), 0.03);
    EXPECT_LE(quantile(distances, 0.99), 0.05);
    // Every one still folds into its original as a near-identical copy.
    EXPECT_LE(quantile(distances, 1.0), 0.10);
}

// A crop moves and scales what the coarse blocks see, as a step aside does, though they fade
// towards the edges: nine in ten small crops fold into their original as smaller copies, and
// every one stays in the moment.
TEST_F(FeaturePrintCalibration, SmallCropsStayNearTheirOriginal) {
    auto distances = distancesUnderEach(smallCrops());
    std::printf("small crops p50 = %.4f p90 = %.4f p99 = %.4f\n", quantile(distances, 0.5),
                quantile(distances, 0.9), quantile(distances, 0.99));
    EXPECT_LE(quantile(distances, 0.5), 0.06);
    EXPECT_LE(quantile(distances, 0.9), GroupingPolicy{}.duplicateDistance);
    EXPECT_LE(quantile(distances, 1.0), 0.54);
}

TEST_F(FeaturePrintCalibration, BlurredShotsLeaveTheSharpOneYetStayInTheirMoment) {
    const auto blurred = joined(distancesUnder(softened()));
    const double beyondIdentical = shareOf(blurred, [](double d) { return d > 0.10; });
    const double apart = shareOf(blurred, [](double d) { return d > 0.15; });
    const double within = shareOf(blurred, [](double d) { return d <= 0.54; });
    std::printf("blurred p05 = %.4f p50 = %.4f; beyond 0.10: %.3f, beyond 0.15: %.3f, "
                "within 0.54: %.3f\n",
                quantile(blurred, 0.05), quantile(blurred, 0.5), beyondIdentical, apart, within);
    EXPECT_GE(beyondIdentical, 0.95);
    EXPECT_GE(apart, 0.93);
    EXPECT_GE(within, 0.95);

    auto moment = joined(distancesUnder(sameMoment()));
    moment.insert(moment.end(), blurred.begin(), blurred.end());
    std::printf("same moment p50 = %.4f p90 = %.4f\n", quantile(moment, 0.5),
                quantile(moment, 0.9));
    EXPECT_LE(quantile(moment, 0.90), 0.54);
}

TEST_F(FeaturePrintCalibration, UnrelatedPicturesLieBeyondTheSeparationDistance) {
    std::vector<std::vector<float>> prints;
    for (const auto& sample : samplesRead())
        prints.push_back(printer.print(samples::atPhotographSize(sample, photographSide)));
    std::vector<double> distances;
    for (size_t i = 0; i < prints.size(); ++i)
        for (size_t j = i + 1; j < prints.size(); ++j)
            distances.push_back(distance(prints[i], prints[j]));
    std::printf("unrelated p05 = %.4f p50 = %.4f (%zu pairs)\n", quantile(distances, 0.05),
                quantile(distances, 0.5), distances.size());
    EXPECT_GE(quantile(distances, 0.05), 0.75);
}

} // namespace
} // namespace keepsift
