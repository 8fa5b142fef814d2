#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include "photos/extractor/LiveSignalExtractor.hpp"
#include "photos/extractor/tests/ExtractorFixtures.hpp"

namespace keepsift {
namespace {

using Extractor = LiveSignalExtractor;

TEST(SharpnessOfGrid, OneBrightPixelGivesTheWorkedValue) {
    std::vector<std::uint8_t> grid(256 * 256, 0);
    grid[100 * 256 + 77] = 255;
    // (1020^2 + 4 * 255^2) / 64,516 / 1000
    EXPECT_NEAR(Extractor::sharpnessOfGrid(grid.data(), 256), 0.020158f, 1e-6);
}

TEST(SharpnessOfGrid, TheOuterRingCountsOnlyAsANeighbour) {
    std::vector<std::uint8_t> grid(256 * 256, 0);
    // A corner is nobody's direct neighbour.
    grid[255 * 256 + 255] = 255;
    EXPECT_EQ(Extractor::sharpnessOfGrid(grid.data(), 256), 0.f);
    grid[0 * 256 + 50] = 255;
    double sum = -255.0, squares = 255.0 * 255.0, count = 254.0 * 254.0;
    double expected = (squares / count - (sum / count) * (sum / count)) / 1000.0;
    EXPECT_FLOAT_EQ(Extractor::sharpnessOfGrid(grid.data(), 256), static_cast<float>(expected));
}

class SharpnessOfImages : public ::testing::Test {
protected:
    Extractor extractor{testing::sharedContext(), nullptr};

    static cv::Mat texture(int width, int height) {
        cv::Mat image(height, width, CV_8UC3);
        cv::randu(image, 0, 255);
        cv::GaussianBlur(image, image, cv::Size(), 2.0);
        return image;
    }
};

TEST_F(SharpnessOfImages, UniformGreyAndEmptyImagesGiveZero) {
    EXPECT_EQ(extractor.sharpness(cv::Mat(300, 400, CV_8UC3, cv::Scalar(128, 128, 128))), 0.f);
    EXPECT_EQ(extractor.sharpness(cv::Mat()), 0.f);
}

TEST_F(SharpnessOfImages, StretchingToTwiceTheWidthChangesLittle) {
    cv::Mat image = texture(512, 512), stretched;
    cv::resize(image, stretched, cv::Size(1024, 512), 0, 0, cv::INTER_LINEAR);
    float original = extractor.sharpness(image), wide = extractor.sharpness(stretched);
    ASSERT_GT(original, 0.f);
    EXPECT_NEAR(wide / original, 1.0, 0.15);
}

TEST_F(SharpnessOfImages, BlurLowersIt) {
    cv::Mat image = texture(800, 600), soft;
    cv::GaussianBlur(image, soft, cv::Size(), 6.0);
    EXPECT_LT(extractor.sharpness(soft), extractor.sharpness(image));
}

} // namespace
} // namespace keepsift
