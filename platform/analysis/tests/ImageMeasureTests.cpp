#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include "platform/analysis/AestheticsScorer.hpp"
#include "platform/analysis/BlockFeaturePrinter.hpp"
#include "platform/analysis/GreyGrid.hpp"
#include "platform/analysis/UtilityImageRule.hpp"
#include "platform/analysis/tests/AnalysisSamples.hpp"

namespace keepsift {
namespace {

double length(const std::vector<float>& values) {
    double sum = 0;
    for (float value : values)
        sum += double(value) * value;
    return std::sqrt(sum);
}

TEST(BlockFeaturePrinter, GivesAUnitLengthPrintOfFixedLength) {
    cv::Mat picture(300, 400, CV_8UC3);
    cv::randu(picture, 0, 255);
    auto print = BlockFeaturePrinter().print(picture);
    EXPECT_EQ(print.size(), static_cast<size_t>(BlockFeaturePrinter::length));
    EXPECT_NEAR(length(print), 1.0, 1e-5);
}

TEST(BlockFeaturePrinter, FlatAndEmptyPicturesStayFinite) {
    auto flat = BlockFeaturePrinter().print(cv::Mat(50, 50, CV_8UC3, cv::Scalar(30, 60, 90)));
    for (float value : flat)
        EXPECT_TRUE(std::isfinite(value));
    EXPECT_LE(length(flat), 1.0 + 1e-6);
    EXPECT_TRUE(BlockFeaturePrinter().print(cv::Mat()).empty());
    EXPECT_TRUE(BlockFeaturePrinter().print(cv::Mat(10, 10, CV_8UC1)).empty());
}

TEST(GreyGrid, StretchesAnyPictureToTheSquare) {
    cv::Mat wide(100, 400, CV_8UC3, cv::Scalar(0, 0, 0));
    wide(cv::Rect(200, 0, 200, 100)).setTo(cv::Scalar(255, 255, 255));
    cv::Mat grid = greyGrid(wide, 256);
    ASSERT_EQ(grid.size(), cv::Size(256, 256));
    EXPECT_EQ(grid.type(), CV_8UC1);
    EXPECT_TRUE(grid.isContinuous());
    // Stretched, not cropped: the bright half is still the right half.
    EXPECT_EQ(grid.at<std::uint8_t>(128, 64), 0);
    EXPECT_EQ(grid.at<std::uint8_t>(128, 192), 255);
    EXPECT_TRUE(greyGrid(cv::Mat(), 256).empty());
}

TEST(Aesthetics, MapsBrisqueOntoMinusOneToOne) {
    EXPECT_EQ(BrisqueAestheticsScorer::fromBrisque(0), 1.f);
    EXPECT_EQ(BrisqueAestheticsScorer::fromBrisque(50), 0.f);
    EXPECT_EQ(BrisqueAestheticsScorer::fromBrisque(150), -1.f);
    EXPECT_EQ(BrisqueAestheticsScorer::fromBrisque(-20), 1.f);
}

TEST(Aesthetics, ABlurredPortraitScoresLower) {
    if (testing::portrait().empty()) GTEST_SKIP() << samples::unavailable;
    const auto* scorer = testing::installedModels().aesthetics();
    ASSERT_TRUE(scorer);
    cv::Mat blurred;
    cv::GaussianBlur(testing::portrait(), blurred, cv::Size(), 3.0);
    auto sharp = scorer->score(testing::portrait()), soft = scorer->score(blurred);
    ASSERT_TRUE(sharp && soft);
    EXPECT_LT(*soft, *sharp);
    EXPECT_FALSE(scorer->score(cv::Mat(8, 8, CV_8UC3)));
}

TEST(Aesthetics, MissingModelFilesGiveNoScorer) {
    EXPECT_FALSE(BrisqueAestheticsScorer::load("/nonexistent/model.yml", "/nonexistent/range.yml"));
}

TEST(UtilityImageRule, NeedsStrongEvidence) {
    UtilityEvidence photo{"IMG_0001.JPG", std::nullopt, false, 4032, 3024, true};
    EXPECT_FALSE(isUtilityImage(photo));
    auto named = photo;
    named.filename = "Screenshot from 2024-03-01 10-00-00.png";
    EXPECT_TRUE(isUtilityImage(named));
    named.filename = "Bildschirmfoto vom 2024-03-01.png";
    EXPECT_TRUE(isUtilityImage(named));
    auto tagged = photo;
    tagged.software = "gnome-screenshot";
    EXPECT_TRUE(isUtilityImage(tagged));
    UtilityEvidence screen{"image.png", std::nullopt, true, 1080, 1920, false};
    EXPECT_TRUE(isUtilityImage(screen));
    screen.hasCameraMetadata = true;
    EXPECT_FALSE(isUtilityImage(screen));
    screen.hasCameraMetadata = false;
    screen.isPng = false;
    EXPECT_FALSE(isUtilityImage(screen));
    EXPECT_FALSE(isUtilityImage({"holiday.png", std::nullopt, true, 1000, 750, false}));
}

TEST(AnalysisContext, MissingOptionalModelsLeaveTheirPartOut) {
    AnalysisModelPaths paths;
    paths.shapePredictor = "/nonexistent/shape.dat";
    paths.brisqueModel = "/nonexistent/brisque.yml";
    AnalysisContext context(paths);
    EXPECT_FALSE(context.landmarks());
    EXPECT_FALSE(context.aesthetics());
    EXPECT_TRUE(context.faceDetector().detect(cv::Mat(100, 100, CV_8UC1, cv::Scalar(5))).empty());
}

} // namespace
} // namespace keepsift
