#include "platform/analysis/DetailLevel.hpp"

#include <algorithm>
#include <cmath>

#include <opencv2/imgproc.hpp>

namespace keepsift {
namespace {

// Grey, brought to the analysis size by area averaging (the filter most copies went through),
// keeping the aspect ratio.
cv::Mat analysisGrey(const cv::Mat& bgr) {
    cv::Mat sized, grey8, grey;
    const int longEdge = std::max(bgr.cols, bgr.rows);
    const double scale = static_cast<double>(DetailLevel::analysisSide) / longEdge;
    const int filter = scale < 1 ? cv::INTER_AREA : cv::INTER_LINEAR;
    // One scale for both axes: rounding each side on its own would resample them unequally
    // and read as a direction that a copy one pixel narrower does not have. A sliver still
    // gets four pixels across.
    if (std::min(bgr.cols, bgr.rows) * scale >= 4)
        cv::resize(bgr, sized, cv::Size(), scale, scale, filter);
    else
        cv::resize(bgr, sized,
                   cv::Size(std::max(4, static_cast<int>(std::lround(bgr.cols * scale))),
                            std::max(4, static_cast<int>(std::lround(bgr.rows * scale)))),
                   0, 0, filter);
    cv::cvtColor(sized, grey8, cv::COLOR_BGR2GRAY);
    grey8.convertTo(grey, CV_32F);
    return grey;
}

// The coarse band is measured on a half-size copy, where its blurs cost a quarter.
cv::Mat halved(const cv::Mat& grey) {
    cv::Mat half;
    cv::resize(grey, half, cv::Size((grey.cols + 1) / 2, (grey.rows + 1) / 2), 0, 0,
               cv::INTER_AREA);
    return half;
}

cv::Mat gaussian(const cv::Mat& grey, double sigma) {
    cv::Mat smooth;
    cv::GaussianBlur(grey, smooth, cv::Size(), sigma, sigma, cv::BORDER_REFLECT);
    return smooth;
}

double variance(const cv::Mat& values) {
    cv::Scalar mean, deviation;
    cv::meanStdDev(values, mean, deviation);
    return deviation[0] * deviation[0];
}

std::array<double, 2> anisotropyOf(const cv::Mat& band) {
    cv::Mat dx, dy;
    cv::Sobel(band, dx, CV_32F, 1, 0);
    cv::Sobel(band, dy, CV_32F, 0, 1);
    const double xx = cv::mean(dx.mul(dx))[0], yy = cv::mean(dy.mul(dy))[0];
    const double xy = cv::mean(dx.mul(dy))[0];
    const double total = xx + yy + DetailLevel::gradientFloor;
    return {(xx - yy) / total, 2.0 * xy / total};
}

} // namespace

DetailLevel DetailLevel::of(const cv::Mat& bgr) {
    DetailLevel level;
    if (bgr.empty() || bgr.type() != CV_8UC3) return level;
    const cv::Mat grey = analysisGrey(bgr);
    const cv::Mat blurred = gaussian(grey, fineSigma);
    const cv::Mat finest = gaussian(grey, finestSigma) - blurred;
    const cv::Mat fine = blurred - gaussian(grey, 2 * fineSigma);
    const cv::Mat half = halved(grey);
    const cv::Mat coarse = gaussian(half, coarseSigma / 2) - gaussian(half, coarseSigma);
    level.fineToCoarse =
        std::log((variance(fine) + energyFloor) / (variance(coarse) + energyFloor));
    level.anisotropy = anisotropyOf(fine);
    level.finestAnisotropy = anisotropyOf(finest);
    return level;
}

} // namespace keepsift
