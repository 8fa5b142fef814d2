#include <cmath>

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include "platform/analysis/CaptureQuality.hpp"
#include "platform/analysis/ExpressionDetector.hpp"
#include "platform/analysis/HeadPose.hpp"
#include "platform/analysis/tests/AnalysisSamples.hpp"

namespace keepsift {
namespace {

class PortraitFace : public ::testing::Test {
protected:
    void SetUp() override {
        if (testing::portrait().empty()) GTEST_SKIP() << samples::unavailable;
        if (!testing::installedModels().landmarks()) GTEST_SKIP() << "no landmark model";
        cv::cvtColor(testing::portrait(), grey, cv::COLOR_BGR2GRAY);
        auto faces = testing::installedModels().faceDetector().detect(grey);
        ASSERT_FALSE(faces.empty());
        face = faces[0];
    }
    FaceShape shapeOf(const cv::Mat& image, const cv::Rect2d& box) const {
        return testing::installedModels().landmarks()->landmarks(image, box);
    }
    cv::Mat grey;
    FaceDetection face;
};

TEST_F(PortraitFace, LandmarksFallInsideTheFaceAndTheEyesAreOpen) {
    auto shape = shapeOf(grey, face.box);
    cv::Rect2d around(face.box.x - face.box.width * 0.2, face.box.y - face.box.height * 0.2,
                      face.box.width * 1.4, face.box.height * 1.4);
    for (const auto& point : shape)
        EXPECT_TRUE(around.contains(point));
    EXPECT_GT(*eyeRegionAspect(shape, 36), LandmarkExpressionDetector::closedEyeAspect);
    EXPECT_GT(*eyeRegionAspect(shape, 42), LandmarkExpressionDetector::closedEyeAspect);
}

TEST_F(PortraitFace, MirroringFlipsYawAndRollButNotPitch) {
    cv::Mat mirrored;
    cv::flip(grey, mirrored, 1);
    cv::Rect2d mirroredBox(grey.cols - face.box.x - face.box.width, face.box.y, face.box.width,
                           face.box.height);
    auto pose = estimateHeadPose(shapeOf(grey, face.box), grey.size());
    auto flipped = estimateHeadPose(shapeOf(mirrored, mirroredBox), mirrored.size());
    ASSERT_TRUE(pose && flipped);
    EXPECT_LT(pose->yaw * flipped->yaw, 0);
    EXPECT_NEAR(pose->yaw, -flipped->yaw, 0.1);
    EXPECT_NEAR(pose->roll, -flipped->roll, 0.1);
    EXPECT_NEAR(pose->pitch, flipped->pitch, 0.1);
    EXPECT_LT(std::abs(pose->yaw), 0.6);
}

TEST_F(PortraitFace, ABlurredFaceHasALowerCaptureQuality) {
    cv::Mat blurred;
    cv::GaussianBlur(grey, blurred, cv::Size(), 3.0);
    float sharp = CaptureQuality::of(grey, face.box, face.confidence, 0.1);
    float soft = CaptureQuality::of(blurred, face.box, face.confidence, 0.1);
    EXPECT_GT(sharp, 0.f);
    EXPECT_LE(sharp, 1.f);
    EXPECT_LT(soft, sharp);
    EXPECT_LT(CaptureQuality::of(grey, face.box, face.confidence, 1.2), sharp);
}

TEST_F(PortraitFace, TheExpressionDetectorSeesTheFaceWithOpenEyes) {
    auto features = testing::installedModels().expressionDetector().detect(testing::portrait());
    ASSERT_EQ(features.size(), 1u);
    EXPECT_FALSE(features[0].leftEyeClosed);
    EXPECT_FALSE(features[0].rightEyeClosed);
    // Bounds come with the origin at the bottom.
    EXPECT_NEAR(features[0].bounds.y, grey.rows - face.box.y - face.box.height, 1.0);
    // Given the picture already grey, it reads the same.
    auto fromGrey = testing::installedModels().expressionDetector().detectInGrey(grey);
    ASSERT_EQ(fromGrey.size(), 1u);
    EXPECT_EQ(fromGrey[0].bounds, features[0].bounds);
    EXPECT_EQ(fromGrey[0].hasSmile, features[0].hasSmile);
    EXPECT_EQ(fromGrey[0].leftEyeClosed, features[0].leftEyeClosed);
}

TEST(CaptureQuality, AFaceOutsideTheImageScoresZero) {
    cv::Mat grey(100, 100, CV_8UC1, cv::Scalar(100));
    EXPECT_EQ(CaptureQuality::of(grey, {200, 200, 50, 50}, 1.0, 0.0), 0.f);
}

// Eyes' centres 40 apart at y 40; mouth corners at y 80 unless lifted, lips' middle at y 80.
FaceShape mouthBetween(double leftCorner, double rightCorner, double cornerY) {
    FaceShape shape{};
    for (size_t i = 36; i < 42; ++i)
        shape[i] = {30, 40};
    for (size_t i = 42; i < 48; ++i)
        shape[i] = {70, 40};
    shape[48] = {leftCorner, cornerY};
    shape[54] = {rightCorner, cornerY};
    shape[62] = shape[66] = {50, 80};
    return shape;
}

TEST(SmileMeasure, AddsTheMouthsWidthAndTheLiftOfItsCornersOverTheEyesDistance) {
    EXPECT_DOUBLE_EQ(smileMeasure(mouthBetween(34, 66, 80)), 0.8);
    const auto smiling = mouthBetween(30, 70, 76);
    EXPECT_DOUBLE_EQ(smileMeasure(smiling), 1.1);
    EXPECT_GT(smileMeasure(smiling), LandmarkExpressionDetector::smilingMeasure);
    // A tilted head reads as an upright one.
    FaceShape tilted;
    const double turn = 0.5;
    for (size_t i = 0; i < tilted.size(); ++i)
        tilted[i] = {smiling[i].x * std::cos(turn) - smiling[i].y * std::sin(turn),
                     smiling[i].x * std::sin(turn) + smiling[i].y * std::cos(turn)};
    EXPECT_NEAR(smileMeasure(tilted), 1.1, 1e-9);
    EXPECT_EQ(smileMeasure(FaceShape{}), 0.0);
}

TEST(EyeRegionAspect, IsTheHeightOverTheWidthOfTheEyesBox) {
    FaceShape shape{};
    // Corners at x 0 and 30; lids 6 apart at both inner points.
    shape[36] = {0, 10};
    shape[37] = {10, 7};
    shape[38] = {20, 7};
    shape[39] = {30, 10};
    shape[40] = {20, 13};
    shape[41] = {10, 13};
    EXPECT_DOUBLE_EQ(*eyeRegionAspect(shape, 36), 0.2);
    EXPECT_FALSE(eyeRegionAspect(FaceShape{}, 42));
    EXPECT_DOUBLE_EQ(*eyesAspect(shape), 0.2); // the other eye is degenerate
}

TEST(YawOfSubModel, TurnedModelsLeanEachWay) {
    EXPECT_EQ(yawOfSubModel(0), 0.0);
    EXPECT_LT(*yawOfSubModel(1), 0.0);
    EXPECT_GT(*yawOfSubModel(2), 0.0);
    EXPECT_FALSE(yawOfSubModel(-1));
}

} // namespace
} // namespace keepsift
