#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include "platform/imaging/AreaShrink.hpp"

namespace keepsift {
namespace {

// Noise, smoothed in some pictures, so that sums land on every kind of rounding edge.
cv::Mat picture(cv::RNG& random, int width, int height, int type, bool smooth) {
    cv::Mat image(height, width, type);
    random.fill(image, cv::RNG::UNIFORM, 0, 256);
    if (smooth) cv::GaussianBlur(image, image, cv::Size(), 2.5);
    return image;
}

// Four rows at a time, and eight where this processor can.
void expectSameAsOpenCv(const cv::Mat& source, cv::Size size, double fx, double fy) {
    cv::Mat expected;
    cv::resize(source, expected, size, fx, fy, cv::INTER_AREA);
    for (auto block : {area_rows::Block::four, area_rows::Block::eight}) {
        cv::Mat shrunk;
        shrinkByArea(source, shrunk, size, fx, fy, block);
        ASSERT_EQ(shrunk.size(), expected.size());
        ASSERT_EQ(shrunk.type(), expected.type());
        EXPECT_EQ(cv::norm(shrunk, expected, cv::NORM_INF), 0.0)
            << source.cols << "x" << source.rows << " c" << source.channels() << " to " << size
            << " fx " << fx << " fy " << fy << " block " << static_cast<int>(block);
    }
}

TEST(AreaShrink, MatchesOpenCvToThePixelForSizesAndFactors) {
    cv::RNG random(11);
    for (int trial = 0; trial < 160; ++trial) {
        const int width = random.uniform(2, 1300), height = random.uniform(2, 900);
        const int type = trial % 2 ? CV_8UC3 : CV_8UC1;
        const cv::Mat source = picture(random, width, height, type, trial % 3 == 0);
        if (trial % 4 < 2) {
            expectSameAsOpenCv(source,
                               {random.uniform(1, width + 1), random.uniform(1, height + 1)}, 0, 0);
        } else {
            const double factor = random.uniform(0.02, 1.0);
            expectSameAsOpenCv(source, {}, factor, trial % 8 < 4 ? factor : factor * 0.9);
        }
    }
}

TEST(AreaShrink, MatchesOpenCvOnThePipelinesOwnSizes) {
    cv::RNG random(5);
    const cv::Mat colour = picture(random, 1500, 1125, CV_8UC3, true);
    cv::Mat grey;
    cv::cvtColor(colour, grey, cv::COLOR_BGR2GRAY);
    for (cv::Size size : {cv::Size(256, 256), cv::Size(64, 64), cv::Size(320, 240)})
        expectSameAsOpenCv(colour, size, 0, 0);
    for (double factor : {640.0 / 1500, 512.0 / 1500, 0.2921})
        expectSameAsOpenCv(grey, {}, factor, factor);
    // A crop inside a larger picture: rows are not contiguous.
    expectSameAsOpenCv(colour(cv::Rect(37, 11, 1401, 1003)), {64, 64}, 0, 0);
}

// Rows are averaged across in blocks of four or eight and bytes widened sixteen at a time:
// pictures a few rows high, rows shorter than sixteen bytes and tails after the last whole sixteen,
// inside larger pictures too.
TEST(AreaShrink, MatchesOpenCvOnPicturesOfFewRowsAndShortRows) {
    cv::RNG random(17);
    for (int height = 1; height <= 19; ++height)
        for (int width : {1, 2, 3, 5, 7, 15, 16, 17, 33, 47}) {
            const int type = (width + height) % 2 ? CV_8UC3 : CV_8UC1;
            const cv::Mat source = picture(random, width, height, type, false);
            const cv::Size size(random.uniform(1, width + 1), random.uniform(1, height + 1));
            expectSameAsOpenCv(source, size, 0, 0);
            const cv::Mat larger = picture(random, width + 9, height + 5, type, false);
            expectSameAsOpenCv(larger(cv::Rect(3, 2, width, height)), size, 0, 0);
        }
}

TEST(AreaShrink, LeavesWhatItDoesNotHandleToOpenCv) {
    cv::RNG random(9);
    // Whole factors, enlarging, one unchanged size, floating point and four channels.
    expectSameAsOpenCv(picture(random, 400, 300, CV_8UC3, false), {200, 150}, 0, 0);
    expectSameAsOpenCv(picture(random, 40, 30, CV_8UC1, false), {90, 70}, 0, 0);
    expectSameAsOpenCv(picture(random, 40, 30, CV_8UC1, false), {40, 30}, 0, 0);
    expectSameAsOpenCv(picture(random, 410, 300, CV_32FC1, false), {101, 77}, 0, 0);
    expectSameAsOpenCv(picture(random, 410, 300, CV_8UC4, false), {101, 77}, 0, 0);
    cv::Mat shrunk;
    EXPECT_THROW(shrinkByArea(cv::Mat(), shrunk, {10, 10}), cv::Exception);
}

} // namespace
} // namespace keepsift
