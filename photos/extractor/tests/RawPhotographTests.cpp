// A DNG written here from a real photograph, beside the JPEG the camera saved with it: the
// RAW is recognised, developed and measured, and it measures as the same moment as its JPEG.

#include <cmath>

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include "photos/extractor/LiveSignalExtractor.hpp"
#include "photos/extractor/tests/DngWriting.hpp"
#include "photos/extractor/tests/ExtractorFixtures.hpp"
#include "platform/analysis/tests/SampleImages.hpp"
#include "platform/imaging/ImageSource.hpp"

namespace keepsift {
namespace {

class RawPhotograph : public ::testing::Test {
protected:
    void SetUp() override {
        const auto path =
            samples::fetchOne("python3-skimage", std::string(samples::skimageData) + "coffee.png");
        if (!path) GTEST_SKIP() << samples::unavailable;
        picture = cv::imread(path->string(), cv::IMREAD_COLOR);
        folder = std::filesystem::temp_directory_path() /
                 ("keepsift-raw-test-" +
                  std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                  std::to_string(reinterpret_cast<std::uintptr_t>(this)));
        std::filesystem::create_directories(folder);
        ASSERT_TRUE(testing::writeDng(folder / "IMG_0001.DNG", picture));
        ASSERT_TRUE(cv::imwrite((folder / "IMG_0001.JPG").string(), picture));
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    cv::Mat picture;
    std::filesystem::path folder;
    LiveSignalExtractor extractor{testing::sharedContext(), nullptr};
};

TEST_F(RawPhotograph, IsRecognisedAndDevelopedAtItsSize) {
    const auto source = ImageSource::fromFile((folder / "IMG_0001.DNG").string());
    ASSERT_TRUE(source);
    ASSERT_TRUE(source->properties());
    EXPECT_EQ(source->properties()->format, ImageFormat::raw);
    EXPECT_EQ(source->properties()->pixelWidth, picture.cols & ~1);
    EXPECT_EQ(source->properties()->pixelHeight, picture.rows & ~1);
    const auto developed = source->decode(256);
    ASSERT_TRUE(developed);
    EXPECT_EQ(developed->type(), CV_8UC3);
    EXPECT_GE(std::max(developed->cols, developed->rows), 256);
}

TEST_F(RawPhotograph, IsMeasuredAsTheSameMomentAsItsJpeg) {
    const auto raw = extractor.signals(
        testing::fileReference((folder / "IMG_0001.DNG").string(), "IMG_0001.DNG"));
    const auto jpeg = extractor.signals(
        testing::fileReference((folder / "IMG_0001.JPG").string(), "IMG_0001.JPG"));
    ASSERT_TRUE(raw);
    ASSERT_TRUE(jpeg);
    EXPECT_TRUE(raw->hasCameraMetadata);
    EXPECT_GT(raw->sharpness, 0.f);
    EXPECT_FALSE(raw->featurePrint().empty());
    const auto distance = raw->printDistance(*jpeg);
    ASSERT_TRUE(distance);
    EXPECT_LE(*distance, 0.54);
}

} // namespace
} // namespace keepsift
