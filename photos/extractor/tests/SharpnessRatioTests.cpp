// The sharpness ratio below which an identical group's blurred shot gives way to its sharp one:
// copies, re-saves and resizes of one shot must read within it of each other, while the shots
// a burst spoils by blur or shake mostly fall below it. Real photographs at phone size.

#include <algorithm>
#include <cstdio>
#include <functional>

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include "core/grouping/KeeperSelector.hpp"
#include "photos/extractor/LiveSignalExtractor.hpp"
#include "photos/extractor/tests/ExtractorFixtures.hpp"
#include "platform/analysis/tests/CalibrationPhotographs.hpp"

namespace keepsift {
namespace {

using namespace image_variants;
using Variation = std::function<cv::Mat(const cv::Mat&)>;

std::vector<Variation> resavesOfOneShot() {
    return {[](const cv::Mat& m) { return reencoded(m, 90); },
            [](const cv::Mat& m) { return reencoded(m, 70); },
            [](const cv::Mat& m) { return reencoded(m, 60); }};
}

std::vector<Variation> resizedCopiesOfOneShot() {
    return {[](const cv::Mat& m) { return resized(m, 0.5); },
            [](const cv::Mat& m) { return reencoded(resized(m, 0.75), 80); },
            [](const cv::Mat& m) { return resized(m, 0.9); },
            [](const cv::Mat& m) { return reencoded(resized(m, 0.55), 80); }};
}

std::vector<Variation> spoiltShots() {
    return {[](const cv::Mat& m) { return smeared(m, 0.005, 0.0); },
            [](const cv::Mat& m) { return smeared(m, 0.005, 1.1); },
            [](const cv::Mat& m) { return smeared(m, 0.01, 2.3); },
            [](const cv::Mat& m) { return blurred(m, 0.002); },
            [](const cv::Mat& m) { return blurred(m, 0.003); },
            [](const cv::Mat& m) { return blurred(m, 0.004); },
            [](const cv::Mat& m) { return evShifted(blurred(m, 0.0025), 0.3); },
            [](const cv::Mat& m) { return shifted(smeared(m, 0.006, 0.5), 0.01); }};
}

// The lesser sharpness of a pair over the greater, as the group's rule reads it.
double ratio(float a, float b) {
    return std::min(a, b) / std::max({a, b, 1e-9f});
}

class SharpnessRatio : public ::testing::Test {
protected:
    static const std::vector<cv::Mat>& photographs() { return samples::calibrationPhotographs(); }
    void SetUp() override {
        if (photographs().empty()) GTEST_SKIP() << samples::unavailable;
    }
    // The extractor measures the print image: at most 2048 pixels on the long side.
    float measured(const cv::Mat& image) const {
        return extractor.sharpness(resized(image, std::min(1.0, 2048.0 / image.cols)));
    }
    std::vector<double> ratiosUnder(const std::vector<Variation>& variations, double side) const {
        std::vector<double> ratios;
        for (const auto& sample : photographs()) {
            const cv::Mat shot = samples::atPhotographSize(sample, side);
            const float sharp = measured(shot);
            for (const auto& vary : variations)
                ratios.push_back(ratio(measured(vary(shot)), sharp));
        }
        std::sort(ratios.begin(), ratios.end());
        return ratios;
    }
    LiveSignalExtractor extractor{testing::sharedContext(), nullptr};
};

double shareBelow(const std::vector<double>& sorted, double limit) {
    return static_cast<double>(std::lower_bound(sorted.begin(), sorted.end(), limit) -
                               sorted.begin()) /
           static_cast<double>(sorted.size());
}

void report(const char* what, double side, const std::vector<double>& ratios) {
    std::printf("%-14s side %4.0f: min %.3f p01 %.3f p10 %.3f p50 %.3f p90 %.3f max %.3f\n", what,
                side, ratios.front(), ratios[ratios.size() / 100], ratios[ratios.size() / 10],
                ratios[ratios.size() / 2], ratios[ratios.size() * 9 / 10], ratios.back());
}

// A phone photograph is measured on its 2048-pixel rendition, its smaller copies on
// themselves. Copies of a small photograph follow their original whatever they read.
TEST_F(SharpnessRatio, CopiesReadAboveItAndSpoiltShotsMostlyBelow) {
    const double r = KeeperSelector::identicalSharpRatio;
    for (double side : {2048.0, 1024.0}) {
        const auto resaves = ratiosUnder(resavesOfOneShot(), side);
        report("re-saves", side, resaves);
        EXPECT_GE(resaves.front(), r) << side;
    }
    const auto resized = ratiosUnder(resizedCopiesOfOneShot(), 3024);
    report("resized", 3024, resized);
    EXPECT_GE(resized.front(), r);
    const auto spoilt = ratiosUnder(spoiltShots(), 1024);
    report("spoilt", 1024, spoilt);
    std::printf("spoilt below %.2f: %.3f\n", r, shareBelow(spoilt, r));
    // A share is a bar on the whole set of photographs (see SampleScope.hpp).
    if (samples::wholeSample) {
        EXPECT_GE(shareBelow(spoilt, r), 0.9);
    }
}

// A flat scene: soft, at half contrast, as a hazy sky.
cv::Mat flat(const cv::Mat& image) {
    cv::Mat haze(image.size(), image.type(), cv::Scalar(235, 200, 150)), result;
    cv::addWeighted(blurred(image, 0.004), 0.5, haze, 0.5, 0, result);
    return result;
}

// Shots of one sharp moment taken apart differ in their sensor noise: they read within
// sharperRatio of each other, in detailed and in flat scenes, so that line, which a shot
// captured apart from the sharpest must reach, does not call an equally sharp one softer.
TEST_F(SharpnessRatio, ShotsOfOneMomentReadWithinTheSharperLine) {
    std::vector<double> ratios;
    for (const auto& sample : photographs())
        for (const bool isFlat : {false, true})
            for (const double side : {2048.0, 1024.0}) {
                const cv::Mat scene = resized(sample, side / std::max(sample.cols, sample.rows));
                const cv::Mat moment = isFlat ? flat(scene) : scene;
                const auto shot = [&](std::uint64_t seed) {
                    return measured(reencoded(noisy(moment, 2.5, seed), 92));
                };
                ratios.push_back(ratio(shot(1), shot(2)));
            }
    std::sort(ratios.begin(), ratios.end());
    report("other shots", 0, ratios);
    EXPECT_GE(ratios.front(), KeeperSelector::sharperRatio);
}

} // namespace
} // namespace keepsift
