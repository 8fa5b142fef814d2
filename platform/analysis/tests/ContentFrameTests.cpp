#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include "platform/analysis/ContentFrame.hpp"
#include "platform/analysis/tests/ImageVariants.hpp"

namespace keepsift {
namespace {

using namespace image_variants;

// Busy texture, far from any border colour on most pixels and smooth at the pixel level, as a
// photograph's content is.
cv::Mat texture(int width, int height, std::uint64_t seed = 1) {
    cv::Mat noise(height, width, CV_32FC3), picture;
    cv::RNG(seed).fill(noise, cv::RNG::UNIFORM, 0, 256);
    if (width > 4 && height > 4) cv::GaussianBlur(noise, noise, cv::Size(), 1.2);
    cv::normalize(noise, noise, 0, 255, cv::NORM_MINMAX);
    noise.convertTo(picture, CV_8UC3);
    return picture;
}

cv::Mat framedBy(const cv::Mat& picture, int top, int bottom, int left, int right,
                 cv::Scalar colour) {
    cv::Mat result;
    cv::copyMakeBorder(picture, result, top, bottom, left, right, cv::BORDER_CONSTANT, colour);
    return result;
}

const cv::Scalar black(0, 0, 0), white(255, 255, 255), teal(150, 120, 30), grey(128, 128, 128);

TEST(ContentFrame, LeavesOutExactlyTheBandsABorderAdds) {
    const cv::Mat picture = texture(300, 200);
    EXPECT_EQ(ContentFrame::of(framedBy(picture, 6, 6, 6, 6, black)), cv::Rect(6, 6, 300, 200));
    EXPECT_EQ(ContentFrame::of(framedBy(picture, 4, 4, 0, 0, white)), cv::Rect(0, 4, 300, 200));
    EXPECT_EQ(ContentFrame::of(framedBy(picture, 0, 0, 9, 9, teal)), cv::Rect(9, 0, 300, 200));
    EXPECT_EQ(ContentFrame::of(framedBy(picture, 0, 5, 0, 0, grey)), cv::Rect(0, 0, 300, 200));
    EXPECT_EQ(ContentFrame::of(framedBy(picture, 3, 7, 11, 2, white)), cv::Rect(11, 3, 300, 200));
}

TEST(ContentFrame, LeavesOutAFrameInsideAFrame) {
    const cv::Mat matted = framedBy(texture(300, 200), 4, 4, 4, 4, white);
    EXPECT_EQ(ContentFrame::of(framedBy(matted, 5, 5, 5, 5, black)), cv::Rect(9, 9, 300, 200));
}

TEST(ContentFrame, APictureAndItsBorderedCopyReachTheSameFrame) {
    const cv::Mat picture = texture(240, 180, 7);
    const cv::Mat bordered = framedBy(picture, 3, 3, 4, 4, black);
    const cv::Rect inner = ContentFrame::of(bordered);
    EXPECT_EQ(ContentFrame::of(picture), cv::Rect(0, 0, 240, 180));
    EXPECT_EQ(ContentFrame::of(bordered(inner)), cv::Rect(0, 0, 240, 180));
}

TEST(ContentFrame, SensorNoiseAndCompressionLeaveTheBorderFound) {
    const cv::Mat photograph = noisy(framedBy(texture(320, 240), 8, 8, 8, 8, black), 3, 11);
    EXPECT_EQ(ContentFrame::of(photograph), cv::Rect(8, 8, 320, 240));
    // A border at least one compression block wide (16 pixels with halved chroma).
    for (int quality : {90, 75, 60}) {
        SCOPED_TRACE(quality);
        const cv::Rect frame = ContentFrame::of(
            reencoded(framedBy(texture(400, 300), 16, 16, 16, 16, white), quality));
        EXPECT_NEAR(frame.x, 16, 1);
        EXPECT_NEAR(frame.y, 16, 1);
        EXPECT_NEAR(frame.br().x, 416, 1);
        EXPECT_NEAR(frame.br().y, 316, 1);
    }
}

TEST(ContentFrame, FlatPicturesAndWideBackgroundsStayWhole) {
    const cv::Mat flat(200, 300, CV_8UC3, grey);
    EXPECT_EQ(ContentFrame::of(flat), cv::Rect(0, 0, 300, 200));
    EXPECT_EQ(ContentFrame::of(noisy(flat, 3, 5)), cv::Rect(0, 0, 300, 200));
    // A studio background reaching far beyond the largest border is part of the picture.
    cv::Mat studio(200, 300, CV_8UC3, white);
    texture(200, 100).copyTo(studio(cv::Rect(50, 80, 200, 100)));
    EXPECT_EQ(ContentFrame::of(studio), cv::Rect(0, 0, 300, 200));
    // So is a band wider than the largest share, and a line thinner than the smallest.
    const cv::Mat picture = texture(300, 200);
    const int wide = static_cast<int>(ContentFrame::largestShare * 200) + 2;
    EXPECT_EQ(ContentFrame::of(framedBy(picture, wide, 0, 0, 0, black)),
              cv::Rect(0, 0, 300, 200 + wide));
    const cv::Mat large = texture(1000, 1000);
    EXPECT_EQ(ContentFrame::of(framedBy(large, 2, 0, 0, 0, black)), cv::Rect(0, 0, 1000, 1002));
}

TEST(ContentFrame, AFadingSkyIsNoBorder) {
    cv::Mat picture = texture(300, 200);
    for (int y = 0; y < 60; ++y)
        picture.row(y).setTo(cv::Scalar(230 - y, 200 - y, 160 - y));
    EXPECT_EQ(ContentFrame::of(picture), cv::Rect(0, 0, 300, 200));
    EXPECT_EQ(ContentFrame::of(noisy(picture, 2, 3)), cv::Rect(0, 0, 300, 200));
}

TEST(ContentFrame, TinyOddAndEmptyPicturesAreHandled) {
    EXPECT_EQ(ContentFrame::of(cv::Mat()), cv::Rect());
    EXPECT_EQ(ContentFrame::of(cv::Mat(10, 10, CV_8UC1, cv::Scalar(0))), cv::Rect());
    EXPECT_EQ(ContentFrame::of(cv::Mat(1, 1, CV_8UC3, white)), cv::Rect(0, 0, 1, 1));
    EXPECT_EQ(ContentFrame::of(cv::Mat(1, 40, CV_8UC3, white)), cv::Rect(0, 0, 40, 1));
    EXPECT_EQ(ContentFrame::of(texture(1, 1)), cv::Rect(0, 0, 1, 1));
    EXPECT_EQ(ContentFrame::of(framedBy(texture(97, 61), 2, 1, 3, 2, black)),
              cv::Rect(3, 2, 97, 61));
    // A view into a larger picture is framed within the view.
    const cv::Mat larger = framedBy(framedBy(texture(120, 90), 5, 5, 5, 5, teal), 20, 20, 20, 20,
                                    cv::Scalar(10, 200, 10));
    EXPECT_EQ(ContentFrame::of(larger(cv::Rect(20, 20, 130, 100))), cv::Rect(5, 5, 120, 90));
}

} // namespace
} // namespace keepsift
