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

// The portrait's landmarks with both eyes shut, moved into whatever box is asked about.
class ShutEyes final : public LandmarkDetector {
public:
    ShutEyes(FaceShape shape, cv::Rect2d box) : shape_(shape), box_(box) {
        for (int eye : {36, 42}) {
            double centre = 0;
            for (int i = eye; i < eye + 6; ++i)
                centre += shape_[static_cast<size_t>(i)].y / 6.0;
            for (int i = eye; i < eye + 6; ++i)
                shape_[static_cast<size_t>(i)].y = centre;
        }
    }
    FaceShape landmarks(const cv::Mat&, const cv::Rect2d& face) const override {
        FaceShape moved;
        for (size_t i = 0; i < moved.size(); ++i)
            moved[i] = {face.x + (shape_[i].x - box_.x) / box_.width * face.width,
                        face.y + (shape_[i].y - box_.y) / box_.height * face.height};
        return moved;
    }

private:
    FaceShape shape_;
    cv::Rect2d box_;
};

class OneFace final : public FaceDetector {
public:
    explicit OneFace(cv::Rect2d box) : box_(box) {}
    std::vector<FaceDetection> detect(const cv::Mat&) const override { return {{box_, 1.0, 0}}; }

private:
    cv::Rect2d box_;
};

TEST(ExpressionStability, ClosedEyesAreReadOnlyOnAFaceLargeEnoughToRead) {
    if (testing::portrait().empty()) GTEST_SKIP() << samples::unavailable;
    const auto* model = testing::installedModels().landmarks();
    if (!model) GTEST_SKIP() << "no landmark model";
    cv::Mat grey;
    cv::cvtColor(testing::portrait(), grey, cv::COLOR_BGR2GRAY);
    const auto found = testing::installedModels().faceDetector().detect(grey);
    ASSERT_FALSE(found.empty());
    auto shut = std::make_shared<ShutEyes>(model->landmarks(grey, found[0].box), found[0].box);
    const cv::Mat canvas(600, 600, CV_8UC3, cv::Scalar(120, 120, 120));
    auto verdictFor = [&](double side) {
        LandmarkExpressionDetector detector(
            std::make_shared<OneFace>(cv::Rect2d(200, 200, side, side)), {}, shut);
        return detector.detect(canvas).at(0);
    };
    const auto readable = verdictFor(120);
    EXPECT_TRUE(readable.leftEyeClosed);
    EXPECT_TRUE(readable.rightEyeClosed);
    const auto tooSmall = verdictFor(LandmarkExpressionDetector::smallestReadableFace - 10);
    EXPECT_FALSE(tooSmall.leftEyeClosed);
    EXPECT_FALSE(tooSmall.rightEyeClosed);
    EXPECT_FALSE(tooSmall.hasSmile.has_value());
}

} // namespace
} // namespace keepsift
