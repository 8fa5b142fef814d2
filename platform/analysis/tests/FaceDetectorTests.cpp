#include <atomic>

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include "platform/analysis/HogFaceDetector.hpp"
#include "platform/analysis/RememberingFaceDetector.hpp"
#include "platform/analysis/RememberingLandmarkDetector.hpp"
#include "platform/analysis/tests/AnalysisSamples.hpp"

namespace keepsift {
namespace {

FaceDetection at(double x, double confidence) {
    return {{x, 0, 100, 100}, confidence, 0};
}

TEST(SuppressOverlaps, KeepsTheStrongestOfOverlappingFacesAboveTheFloor) {
    auto kept = suppressOverlaps({at(0, 0.5), at(10, 0.9), at(300, 0.02), at(500, 0.3)}, 0.05, 0.3);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0].box.x, 10);
    EXPECT_EQ(kept[1].box.x, 500);
}

TEST(SuppressOverlaps, FacesSideBySideBothStay) {
    EXPECT_EQ(suppressOverlaps({at(0, 1), at(60, 1)}, 0, 0.3).size(), 2u);
}

TEST(ScaleForSmallestFace, BringsTheSmallestCountedFaceToTheWantedSide) {
    // sqrt(0.004 * 4000 * 3000) = 219.1 pixels.
    EXPECT_NEAR(scaleForSmallestFace({4000, 3000}, 80), 80 / 219.089, 1e-4);
    EXPECT_EQ(scaleForSmallestFace({400, 300}, 80), 1.0);
    EXPECT_EQ(scaleForSmallestFace({0, 0}, 80), 1.0);
}

class CountingDetector : public FaceDetector {
public:
    mutable std::atomic<int> calls{0};
    std::vector<FaceDetection> detect(const cv::Mat&) const override {
        ++calls;
        return {at(1, 1)};
    }
};

TEST(RememberingFaceDetector, AsksOncePerImageUntilToldToForget) {
    auto counting = std::make_shared<CountingDetector>();
    RememberingFaceDetector detector(counting);
    cv::Mat a(40, 60, CV_8UC1, cv::Scalar(10)), b = a.clone();
    b.at<std::uint8_t>(39, 59) = 11;
    EXPECT_EQ(detector.detect(a).size(), 1u);
    EXPECT_EQ(detector.detect(a.clone()).size(), 1u);
    EXPECT_EQ(counting->calls, 1);
    detector.detect(b);
    EXPECT_EQ(counting->calls, 2);
    detector.forget();
    detector.detect(a);
    EXPECT_EQ(counting->calls, 3);
    EXPECT_TRUE(detector.detect(cv::Mat()).empty());
}

class CountingLandmarks : public LandmarkDetector {
public:
    mutable std::atomic<int> calls{0};
    FaceShape landmarks(const cv::Mat&, const cv::Rect2d& face) const override {
        ++calls;
        FaceShape shape{};
        shape[0] = face.tl();
        return shape;
    }
};

TEST(RememberingLandmarkDetector, PlacesEachFaceOnceOnTheSamePixels) {
    auto counting = std::make_shared<CountingLandmarks>();
    RememberingLandmarkDetector detector(counting);
    cv::Mat image(100, 100, CV_8UC1, cv::Scalar(50));
    cv::Rect2d left(10, 10, 30, 30), right(60, 10, 30, 30);
    EXPECT_EQ(detector.landmarks(image, left)[0], left.tl());
    EXPECT_EQ(detector.landmarks(image, left)[0], left.tl());
    EXPECT_EQ(detector.landmarks(image, right)[0], right.tl());
    EXPECT_EQ(counting->calls, 2);
    image.at<std::uint8_t>(20, 20) = 51;
    detector.landmarks(image, left);
    EXPECT_EQ(counting->calls, 3);
    detector.forget();
    detector.landmarks(image, left);
    EXPECT_EQ(counting->calls, 4);
}

class HogOnPortrait : public ::testing::Test {
protected:
    void SetUp() override {
        if (testing::portrait().empty()) GTEST_SKIP() << samples::unavailable;
        cv::cvtColor(testing::portrait(), grey, cv::COLOR_BGR2GRAY);
    }
    cv::Mat grey;
    HogFaceDetector detector{std::make_shared<HaarCascade>(
        "/usr/share/opencv4/haarcascades/haarcascade_frontalface_default.xml")};
};

TEST_F(HogOnPortrait, FindsTheOneFace) {
    auto faces = detector.detect(grey);
    ASSERT_EQ(faces.size(), 1u);
    // The astronaut's face lies around x 175-275, y 75-175 of the 512-pixel picture.
    EXPECT_NEAR(faces[0].box.x + faces[0].box.width / 2, 225, 30);
    EXPECT_NEAR(faces[0].box.y + faces[0].box.height / 2, 125, 30);
    EXPECT_GT(faces[0].confidence, HogFaceDetector::confidenceFloor);
}

TEST_F(HogOnPortrait, FindsASmallFaceInALargeFrame) {
    // A face of about 0.006 of a 2000 x 1500 frame: too small for the coarse scan.
    cv::Mat frame(1500, 2000, CV_8UC1, cv::Scalar(90)), placed;
    cv::resize(grey, placed, cv::Size(), 1.3, 1.3, cv::INTER_LINEAR);
    placed.copyTo(frame(cv::Rect(cv::Point(1200, 300), placed.size())));
    auto faces = detector.detect(frame);
    ASSERT_EQ(faces.size(), 1u);
    EXPECT_NEAR(faces[0].box.x + faces[0].box.width / 2, 1200 + 225 * 1.3, 30);
    EXPECT_LT(faces[0].box.area() / (2000.0 * 1500.0), 0.01);
}

TEST_F(HogOnPortrait, FindsNothingInAnEmptyFrameOrABadImage) {
    EXPECT_TRUE(detector.detect(cv::Mat(600, 800, CV_8UC1, cv::Scalar(128))).empty());
    EXPECT_TRUE(detector.detect(cv::Mat()).empty());
    EXPECT_TRUE(detector.detect(cv::Mat(10, 10, CV_8UC3)).empty());
}

} // namespace
} // namespace keepsift
