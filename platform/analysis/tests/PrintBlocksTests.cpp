#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include "platform/analysis/PrintBlocks.hpp"

namespace keepsift {
namespace {

using namespace print_blocks;

double distanceOf(std::vector<double> a, std::vector<double> b) {
    centreAndNormalise(a);
    centreAndNormalise(b);
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i)
        sum += (a[i] - b[i]) * (a[i] - b[i]);
    return std::sqrt(sum);
}

// A lightness picture with a bright disc off centre, and the same with a dark band along its
// left edge, as a crop that brings in what lay beside the frame.
struct Scene {
    cv::Mat plain{64, 64, CV_32F, cv::Scalar(40)}, banded;
    Scene() {
        cv::circle(plain, {40, 26}, 12, cv::Scalar(90), cv::FILLED);
        banded = plain.clone();
        banded.colRange(0, 3).setTo(0);
    }
};

TEST(EdgeWindow, IsWholeInsideAndFadesToNothingAtEachEdge) {
    const cv::Mat window = edgeWindow({40, 20}, 0.2);
    EXPECT_FLOAT_EQ(window.at<float>(10, 20), 1.0f);
    EXPECT_LT(window.at<float>(10, 0), 0.05f);
    EXPECT_LT(window.at<float>(0, 20), 0.05f);
    EXPECT_FLOAT_EQ(window.at<float>(10, 0), window.at<float>(10, 39));
    EXPECT_FLOAT_EQ(edgeWindow({8, 8}, 0).at<float>(0, 0), 1.0f);
}

// What changes at the frame's edge moves the faded blocks far less than the plain ones.
TEST(EdgeWindow, AChangeAtTheEdgeBarelyMovesTheFadedBlocks) {
    Scene scene;
    const double plainShape =
        distanceOf(lowFrequencyShape(scene.plain, 32, 4), lowFrequencyShape(scene.banded, 32, 4));
    const double fadedShape = distanceOf(lowFrequencyShape(fadedToEdges(scene.plain, 0.2), 32, 4),
                                         lowFrequencyShape(fadedToEdges(scene.banded, 0.2), 32, 4));
    EXPECT_LT(fadedShape, plainShape / 3);
    const double plainEdges = distanceOf(gradientStructure(scene.plain, 32, 4, 0),
                                         gradientStructure(scene.banded, 32, 4, 0));
    const double fadedEdges = distanceOf(gradientStructure(scene.plain, 32, 4, 0.2),
                                         gradientStructure(scene.banded, 32, 4, 0.2));
    EXPECT_LT(fadedEdges, plainEdges / 3);
}

} // namespace
} // namespace keepsift
