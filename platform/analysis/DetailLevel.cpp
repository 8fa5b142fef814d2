#include "platform/analysis/DetailLevel.hpp"

#include <algorithm>
#include <cmath>

#include <opencv2/imgproc.hpp>

namespace keepsift {
namespace {

// A Gaussian of a fixed share of the target pixel before sampling: every copy, whatever
// its size, ends with the same effective filter.
cv::Mat resampled(const cv::Mat& grey, int width, int height) {
    constexpr double share = 0.6;
    const double sx = std::max(0.01, share * grey.cols / width);
    const double sy = std::max(0.01, share * grey.rows / height);
    cv::Mat smooth, result;
    cv::GaussianBlur(grey, smooth, cv::Size(), sx, sy, cv::BORDER_REFLECT);
    cv::resize(smooth, result, cv::Size(width, height), 0, 0, cv::INTER_LINEAR);
    return result;
}

// Mean squared second difference along each direction: the finest detail a resample holds.
std::array<double, 4> curvatureEnergies(const cv::Mat& grey) {
    constexpr int steps[4][2] = {{1, 0}, {0, 1}, {1, 1}, {1, -1}};
    std::array<double, 4> sums{};
    double count = 0;
    for (int y = 1; y + 1 < grey.rows; ++y) {
        const float* row = grey.ptr<float>(y);
        for (int x = 1; x + 1 < grey.cols; ++x) {
            for (int d = 0; d < 4; ++d) {
                const int dx = steps[d][0], dy = steps[d][1];
                const double bend = grey.ptr<float>(y + dy)[x + dx] +
                                    grey.ptr<float>(y - dy)[x - dx] - 2.0 * row[x];
                sums[static_cast<size_t>(d)] += bend * bend;
            }
            ++count;
        }
    }
    for (double& sum : sums)
        sum = count > 0 ? sum / count : 0;
    return sums;
}

// Per direction, log of the fine resample's curvature energy over the coarse one's.
std::array<double, 4> logRatios(const cv::Mat& fine, const cv::Mat& coarse) {
    // One grey level squared keeps flat pictures from dividing noise by nothing.
    constexpr double floor = 1.0;
    const auto fineEnergy = curvatureEnergies(fine), coarseEnergy = curvatureEnergies(coarse);
    std::array<double, 4> ratios{};
    for (size_t d = 0; d < ratios.size(); ++d)
        ratios[d] = std::log((fineEnergy[d] + floor) / (coarseEnergy[d] + floor));
    return ratios;
}

double mean(const std::array<double, 4>& values) {
    return (values[0] + values[1] + values[2] + values[3]) / 4.0;
}

} // namespace

DetailLevel DetailLevel::of(const cv::Mat& bgr) {
    DetailLevel level;
    if (bgr.empty() || bgr.type() != CV_8UC3) return level;
    cv::Mat grey8, reduced, grey;
    cv::cvtColor(bgr, grey8, cv::COLOR_BGR2GRAY);
    // Large pictures are first averaged down to twice the larger resample: cheap, and the
    // same box filter a half-size copy went through.
    constexpr int reducedSide = 2 * directionSide;
    if (grey8.cols > reducedSide && grey8.rows > reducedSide)
        cv::resize(grey8, reduced, cv::Size(reducedSide, reducedSide), 0, 0, cv::INTER_AREA);
    else
        reduced = grey8;
    reduced.convertTo(grey, CV_32F);
    const cv::Mat large = resampled(grey, directionSide, directionSide);
    const cv::Mat small = resampled(large, side, side);
    const auto largeRatios = logRatios(large, small);
    const auto smallRatios = logRatios(small, resampled(small, side / 2, side / 2));
    const double largeMean = mean(largeRatios);
    level.overall = mean(smallRatios);
    for (size_t d = 0; d < level.directions.size(); ++d)
        level.directions[d] = largeRatios[d] - largeMean;
    return level;
}

} // namespace keepsift
