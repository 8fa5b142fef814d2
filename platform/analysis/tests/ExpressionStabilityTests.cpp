// The same face saved again, resized or exposed a little differently keeps its expression
// verdicts, and an open-eyed face is not called closed.

#include <cmath>
#include <cstdio>

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "platform/analysis/ExpressionDetector.hpp"
#include "platform/analysis/tests/AnalysisSamples.hpp"
#include "platform/analysis/tests/ImageVariants.hpp"

namespace keepsift {
namespace {

using namespace image_variants;

std::vector<cv::Mat> variants(const cv::Mat& image) {
    std::vector<cv::Mat> all;
    for (int quality = 60; quality <= 95; quality += 5)
        all.push_back(reencoded(image, quality));
    for (double scale : {0.85, 0.9, 0.95, 1.05, 1.1, 1.15})
        all.push_back(resized(image, scale));
    for (double ev : {-0.3, -0.15, 0.15, 0.3})
        all.push_back(evShifted(image, ev));
    return all;
}

struct Verdict {
    std::optional<bool> smiling;
    bool closed = false;
    bool operator==(const Verdict&) const = default;
};

std::optional<Verdict> verdictOf(const cv::Mat& image) {
    auto features = testing::installedModels().expressionDetector().detect(image);
    if (features.size() != 1) return std::nullopt;
    return Verdict{features[0].hasSmile, features[0].leftEyeClosed || features[0].rightEyeClosed};
}

TEST(ExpressionStability, AnOpenEyedFaceKeepsItsVerdictsThroughCopiesAndExposure) {
    if (testing::portrait().empty()) GTEST_SKIP() << samples::unavailable;
    if (!testing::installedModels().landmarks()) GTEST_SKIP() << "no landmark model";
    const auto base = verdictOf(testing::portrait());
    ASSERT_TRUE(base);
    EXPECT_FALSE(base->closed);
    int same = 0, closed = 0, read = 0;
    for (const auto& variant : variants(testing::portrait())) {
        const auto verdict = verdictOf(variant);
        if (!verdict) continue;
        ++read;
        same += *verdict == *base;
        closed += verdict->closed;
    }
    std::printf("expression verdicts: %d of %d as the original, %d closed\n", same, read, closed);
    ASSERT_GT(read, 0);
    EXPECT_GE(same, static_cast<int>(std::ceil(0.98 * read)));
    EXPECT_EQ(closed, 0);
}

TEST(ExpressionStability, ASmallFaceGetsTheNeutralVerdict) {
    if (testing::portrait().empty()) GTEST_SKIP() << samples::unavailable;
    if (!testing::installedModels().landmarks()) GTEST_SKIP() << "no landmark model";
    // The portrait's face shrunk below what the landmarks read reliably, on a larger canvas.
    const cv::Mat small = resized(testing::portrait(), 0.2);
    cv::Mat canvas(600, 600, CV_8UC3, cv::Scalar(120, 120, 120));
    small.copyTo(canvas(cv::Rect(250, 250, small.cols, small.rows)));
    for (const auto& feature : testing::installedModels().expressionDetector().detect(canvas)) {
        if (feature.bounds.width >= LandmarkExpressionDetector::smallestReadableFace) continue;
        EXPECT_FALSE(feature.hasSmile.has_value());
        EXPECT_FALSE(feature.leftEyeClosed);
        EXPECT_FALSE(feature.rightEyeClosed);
    }
}

} // namespace
} // namespace keepsift
