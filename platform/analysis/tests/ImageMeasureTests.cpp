#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include "platform/analysis/AestheticsScorer.hpp"
#include "platform/analysis/BlockFeaturePrinter.hpp"
#include "platform/analysis/GreyGrid.hpp"
#include "platform/analysis/UtilityImageRule.hpp"
#include "platform/analysis/tests/AnalysisSamples.hpp"

namespace keepsift {
namespace {

using Part = std::pair<size_t, size_t>; // first value, end
constexpr size_t contentEnd = BlockFeaturePrinter::length - BlockFeaturePrinter::detailValues;
constexpr Part content{0, contentEnd}, detail{contentEnd, BlockFeaturePrinter::length};

double length(const std::vector<float>& values, Part part) {
    double sum = 0;
    for (size_t i = part.first; i < part.second; ++i)
        sum += double(values[i]) * values[i];
    return std::sqrt(sum);
}

double distance(const std::vector<float>& a, const std::vector<float>& b, Part part) {
    double sum = 0;
    for (size_t i = part.first; i < part.second; ++i)
        sum += (double(a[i]) - b[i]) * (double(a[i]) - b[i]);
    return std::sqrt(sum);
}

TEST(BlockFeaturePrinter, GivesAPrintOfFixedLengthWithItsContentPartScaled) {
    cv::Mat picture(300, 400, CV_8UC3);
    cv::randu(picture, 0, 255);
    auto print = BlockFeaturePrinter().print(picture);
    ASSERT_EQ(print.size(), static_cast<size_t>(BlockFeaturePrinter::length));
    EXPECT_NEAR(length(print, content), BlockFeaturePrinter::contentLength, 1e-5);
    EXPECT_NEAR(length(print, detail), BlockFeaturePrinter::detailBound() / 2, 1e-5);
}

// However far apart two pictures' detail lies, it adds no more than the bound.
TEST(BlockFeaturePrinter, TheDetailPartsDistanceStaysWithinItsBound) {
    EXPECT_NEAR(BlockFeaturePrinter::detailBound(), 0.187, 0.001);
    cv::Mat noise(300, 400, CV_8UC3), soft, stripes(300, 400, CV_8UC3, cv::Scalar(0, 0, 0));
    cv::randu(noise, 0, 255);
    cv::GaussianBlur(noise, soft, cv::Size(), 12);
    for (int x = 0; x < stripes.cols; x += 8)
        stripes.colRange(x, x + 4).setTo(cv::Scalar(255, 255, 255));
    const BlockFeaturePrinter printer;
    const std::vector<std::vector<float>> prints{
        printer.print(noise), printer.print(soft), printer.print(stripes),
        printer.print(cv::Mat(300, 400, CV_8UC3, cv::Scalar(30, 60, 90)))};
    for (const auto& a : prints)
        for (const auto& b : prints)
            EXPECT_LE(distance(a, b, detail), BlockFeaturePrinter::detailBound() + 1e-6);
    EXPECT_GT(distance(prints[0], prints[1], detail), 0.1);
}

TEST(BlockFeaturePrinter, FlatAndEmptyPicturesStayFinite) {
    auto flat = BlockFeaturePrinter().print(cv::Mat(50, 50, CV_8UC3, cv::Scalar(30, 60, 90)));
    for (float value : flat)
        EXPECT_TRUE(std::isfinite(value));
    EXPECT_LE(length(flat, content), BlockFeaturePrinter::contentLength + 1e-6);
    EXPECT_TRUE(BlockFeaturePrinter().print(cv::Mat()).empty());
    EXPECT_TRUE(BlockFeaturePrinter().print(cv::Mat(10, 10, CV_8UC1)).empty());
}

// A full measurement hands the printer the grey it made for the faces: the print is the same
// to the bit, a border's frame cut from both alike, and a grey of another size goes unused.
TEST(BlockFeaturePrinter, PrintsTheSameGivenThePicturesGrey) {
    cv::RNG random(3);
    std::vector<cv::Mat> pictures;
    for (cv::Size size : {cv::Size(1500, 1125), cv::Size(333, 501)}) {
        cv::Mat noise(size, CV_8UC3);
        random.fill(noise, cv::RNG::UNIFORM, 0, 256);
        cv::GaussianBlur(noise, noise, cv::Size(), 1.5);
        pictures.push_back(noise);
        cv::Mat framed;
        cv::copyMakeBorder(noise, framed, 30, 30, 24, 24, cv::BORDER_CONSTANT,
                           cv::Scalar(255, 255, 255));
        pictures.push_back(framed);
    }
    if (!testing::portrait().empty()) pictures.push_back(testing::portrait());
    const BlockFeaturePrinter printer;
    for (const auto& picture : pictures) {
        cv::Mat grey;
        cv::cvtColor(picture, grey, cv::COLOR_BGR2GRAY);
        const auto own = printer.print(picture);
        EXPECT_EQ(printer.print(picture, grey), own) << picture.size();
        EXPECT_EQ(printer.print(picture, grey(cv::Rect(0, 0, grey.cols - 1, grey.rows))), own);
    }
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
