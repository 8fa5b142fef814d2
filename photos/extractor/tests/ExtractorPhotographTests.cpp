// Measurements of a real portrait (scikit-image's astronaut, from Debian's python3-skimage).

#include <cmath>
#include <thread>

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "photos/extractor/LiveSignalExtractor.hpp"
#include "photos/extractor/tests/ExtractorFixtures.hpp"
#include "platform/analysis/BlockFeaturePrinter.hpp"
#include "platform/analysis/tests/SampleImages.hpp"
#include "platform/imaging/tests/ExifWriting.hpp"

namespace keepsift {
namespace {

class Portrait : public ::testing::Test {
protected:
    void SetUp() override {
        auto path = samples::astronaut();
        if (!path) GTEST_SKIP() << samples::unavailable;
        portrait = cv::imread(path->string());
        ASSERT_FALSE(portrait.empty());
    }

    std::optional<PhotoSignals> measure(const cv::Mat& image, const std::string& name) {
        auto path = folder.write(name, testing::encodedJpeg(image, 92));
        return extractor.signals(testing::fileReference(path, name));
    }

    static const FaceSignals& largestFace(const PhotoSignals& signals) {
        return *std::max_element(
            signals.faces.begin(), signals.faces.end(),
            [](const auto& a, const auto& b) { return a.bounds.area() < b.bounds.area(); });
    }

    cv::Mat portrait;
    testing::ScratchFolder folder;
    LiveSignalExtractor extractor{testing::sharedContext(), nullptr};
};

TEST_F(Portrait, FindsTheFaceWhereItIs) {
    auto signals = measure(portrait, "astronaut.jpg");
    ASSERT_TRUE(signals);
    ASSERT_EQ(signals->faces.size(), 1u);
    const auto& face = signals->faces[0];
    // The face sits in the upper middle of the frame (origin bottom-left).
    EXPECT_GT(face.bounds.midX(), 0.35);
    EXPECT_LT(face.bounds.midX(), 0.65);
    EXPECT_GT(face.bounds.midY(), 0.5);
    EXPECT_GT(face.bounds.area(), 0.02);
    EXPECT_LT(face.bounds.area(), 0.2);
    EXPECT_EQ(signals->featurePrint().size(), BlockFeaturePrinter::length);
    EXPECT_EQ(signals->featurePrintRevision, PhotoSignals::printRevision);
    EXPECT_FALSE(signals->printLongEdge);
}

TEST_F(Portrait, ReadsOpenEyes) {
    auto signals = measure(portrait, "astronaut.jpg");
    ASSERT_TRUE(signals && !signals->faces.empty());
    const auto& face = largestFace(*signals);
    ASSERT_TRUE(face.eyeAspectRatio);
    EXPECT_GT(*face.eyeAspectRatio, 0.2f);
    EXPECT_EQ(face.leftEyeClosed, false);
    EXPECT_EQ(face.rightEyeClosed, false);
    EXPECT_EQ(face.eyesOpen(), true);
    ASSERT_TRUE(face.captureQuality);
    EXPECT_GT(*face.captureQuality, 0.4f);
}

TEST_F(Portrait, AMirroredPictureTurnsTheHeadTheOtherWay) {
    cv::Mat mirrored;
    cv::flip(portrait, mirrored, 1);
    auto original = measure(portrait, "astronaut.jpg");
    auto flipped = measure(mirrored, "mirrored.jpg");
    ASSERT_TRUE(original && flipped && !original->faces.empty() && !flipped->faces.empty());
    auto yaw = largestFace(*original).yawDegrees, mirroredYaw = largestFace(*flipped).yawDegrees;
    ASSERT_TRUE(yaw && mirroredYaw);
    ASSERT_GT(std::abs(*yaw), 2.f);
    EXPECT_LT(*yaw * *mirroredYaw, 0.f);
    EXPECT_NEAR(*yaw, -*mirroredYaw, 0.35f * std::abs(*yaw) + 2.f);
}

TEST_F(Portrait, ABlurredCopyScoresLowerEverywhere) {
    cv::Mat blurred;
    cv::GaussianBlur(portrait, blurred, cv::Size(), 3.0);
    auto sharp = measure(portrait, "astronaut.jpg");
    auto soft = measure(blurred, "blurred.jpg");
    ASSERT_TRUE(sharp && soft && !sharp->faces.empty());
    EXPECT_LT(soft->sharpness, sharp->sharpness);
    EXPECT_LT(soft->aestheticsScore, sharp->aestheticsScore);
    if (!soft->faces.empty()) {
        EXPECT_LT(*largestFace(*soft).captureQuality, *largestFace(*sharp).captureQuality);
    }
}

TEST_F(Portrait, TheOrientationFlagTurnsTheFacesButNotTheSharpness) {
    cv::Mat stored;
    cv::rotate(portrait, stored, cv::ROTATE_90_COUNTERCLOCKWISE);
    auto bytes =
        testing::withExif(testing::encodedJpeg(stored, 92), {{"Exif.Image.Orientation", "6"}});
    auto path = folder.write("turned.jpg", bytes);
    auto turned = extractor.signals(testing::fileReference(path, "turned.jpg"));
    auto upright = measure(portrait, "astronaut.jpg");
    ASSERT_TRUE(turned && upright);
    ASSERT_EQ(turned->faces.size(), 1u);
    EXPECT_NEAR(turned->faces[0].bounds.midX(), upright->faces[0].bounds.midX(), 0.03);
    EXPECT_NEAR(turned->faces[0].bounds.midY(), upright->faces[0].bounds.midY(), 0.03);
}

TEST_F(Portrait, WithoutTheLandmarkModelFacesKeepOnlyTheDetectorsYaw) {
    AnalysisModelPaths paths;
    paths.shapePredictor = "/nonexistent/shape.dat";
    LiveSignalExtractor plain{std::make_shared<const AnalysisContext>(paths), nullptr};
    auto path = folder.write("astronaut.jpg", testing::encodedJpeg(portrait, 92));
    auto signals = plain.signals(testing::fileReference(path, "astronaut.jpg"));
    ASSERT_TRUE(signals);
    ASSERT_EQ(signals->faces.size(), 1u);
    const auto& face = signals->faces[0];
    EXPECT_FALSE(face.eyeAspectRatio);
    EXPECT_TRUE(face.yawDegrees);
    EXPECT_FALSE(face.rollDegrees);
    EXPECT_FALSE(face.pitchDegrees);
    EXPECT_TRUE(face.captureQuality);
}

TEST_F(Portrait, MeasurementsOnSeveralThreadsAgree) {
    auto path = folder.write("astronaut.jpg", testing::encodedJpeg(portrait, 92));
    auto reference = testing::fileReference(path, "astronaut.jpg");
    auto alone = extractor.signals(reference);
    ASSERT_TRUE(alone);
    std::vector<std::optional<PhotoSignals>> results(4);
    {
        std::vector<std::jthread> threads;
        for (auto& result : results)
            threads.emplace_back([&] { result = extractor.signals(reference); });
    }
    for (const auto& result : results)
        EXPECT_EQ(result, alone);
}

} // namespace
} // namespace keepsift
