#include "platform/analysis/PrintBlocks.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <opencv2/imgproc.hpp>

namespace keepsift::print_blocks {

std::vector<double> colourLayout(const cv::Mat& lab, int cells, double chromaScale) {
    cv::Mat means;
    cv::resize(lab, means, cv::Size(cells, cells), 0, 0, cv::INTER_AREA);
    std::vector<double> values;
    values.reserve(static_cast<size_t>(cells * cells * 3));
    for (int channel = 0; channel < 3; ++channel) {
        double scale = channel == 0 ? 1.0 : chromaScale;
        for (int y = 0; y < cells; ++y)
            for (int x = 0; x < cells; ++x)
                values.push_back(scale * means.at<cv::Vec3f>(y, x)[channel]);
    }
    return values;
}

// Spreads a unit of weight over the two nearest bins of a position measured in bins.
template <typename Add> void splitBetweenBins(double position, int bins, Add add) {
    position = std::clamp(position - 0.5, 0.0, static_cast<double>(bins - 1));
    int lower = static_cast<int>(position);
    int upper = std::min(bins - 1, lower + 1);
    double share = position - lower;
    add(lower, 1.0 - share);
    add(upper, share);
}

// Chromaticity (r and g of r + g + b) does not change when the exposure does.
std::vector<double> colourDistribution(const cv::Mat& bgr, int bins) {
    constexpr double low = 0.1, high = 0.6, darkest = 0.05;
    std::vector<double> histogram(static_cast<size_t>(bins * bins), 0.0);
    auto toBins = [&](double value) { return (value - low) / (high - low) * bins; };
    for (int y = 0; y < bgr.rows; ++y)
        for (int x = 0; x < bgr.cols; ++x) {
            const auto& pixel = bgr.at<cv::Vec3f>(y, x);
            double total = static_cast<double>(pixel[0]) + pixel[1] + pixel[2];
            if (total < darkest) continue;
            splitBetweenBins(toBins(pixel[2] / total), bins, [&](int r, double rShare) {
                splitBetweenBins(toBins(pixel[1] / total), bins, [&](int g, double gShare) {
                    histogram[static_cast<size_t>(r * bins + g)] += rShare * gShare;
                });
            });
        }
    for (double& count : histogram)
        count = std::sqrt(count);
    return histogram;
}

// Where the horizontal and the vertical edges are: mean edge strength per cell.
std::vector<double> gradientStructure(const cv::Mat& lightness, int side, int cells,
                                      double fadingShare) {
    cv::Mat small, dx, dy, cellsX, cellsY;
    cv::resize(lightness, small, cv::Size(side, side), 0, 0, cv::INTER_AREA);
    cv::Sobel(small, dx, CV_32F, 1, 0);
    cv::Sobel(small, dy, CV_32F, 0, 1);
    const cv::Mat window = edgeWindow(small.size(), fadingShare);
    cv::resize(cv::abs(dx).mul(window), cellsX, cv::Size(cells, cells), 0, 0, cv::INTER_AREA);
    cv::resize(cv::abs(dy).mul(window), cellsY, cv::Size(cells, cells), 0, 0, cv::INTER_AREA);
    std::vector<double> values;
    values.reserve(static_cast<size_t>(2 * cells * cells));
    for (const cv::Mat* strength : {&cellsX, &cellsY})
        for (int y = 0; y < cells; ++y)
            for (int x = 0; x < cells; ++x)
                values.push_back(strength->at<float>(y, x));
    return values;
}

std::vector<double> lowFrequencyShape(const cv::Mat& lightness, int side, int coefficients) {
    cv::Mat small, spectrum;
    cv::resize(lightness, small, cv::Size(side, side), 0, 0, cv::INTER_AREA);
    cv::dct(small, spectrum);
    std::vector<double> values;
    values.reserve(static_cast<size_t>(coefficients * coefficients - 1));
    for (int v = 0; v < coefficients; ++v)
        for (int u = 0; u < coefficients; ++u)
            if (u != 0 || v != 0) values.push_back(spectrum.at<float>(v, u));
    return values;
}

namespace {

// 0 at the edge, rising along a raised cosine to 1 at fadingShare of the side from it.
double fade(int index, int side, double fadingShare) {
    const double position = (index + 0.5) / side;
    const double fromEdge = std::min(position, 1.0 - position);
    if (fadingShare <= 0 || fromEdge >= fadingShare) return 1.0;
    return 0.5 - 0.5 * std::cos(std::numbers::pi * fromEdge / fadingShare);
}

} // namespace

cv::Mat edgeWindow(cv::Size size, double fadingShare) {
    cv::Mat window(size, CV_32F);
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x)
            window.at<float>(y, x) = static_cast<float>(fade(x, size.width, fadingShare) *
                                                        fade(y, size.height, fadingShare));
    return window;
}

cv::Mat fadedToEdges(const cv::Mat& lightness, double fadingShare) {
    const double mean = cv::mean(lightness)[0];
    cv::Mat faded = (lightness - mean).mul(edgeWindow(lightness.size(), fadingShare)) + mean;
    return faded;
}

void centreAndNormalise(std::vector<double>& block) {
    if (block.empty()) return;
    double mean = 0;
    for (double value : block)
        mean += value;
    mean /= static_cast<double>(block.size());
    double squares = 0;
    for (double& value : block) {
        value -= mean;
        squares += value * value;
    }
    double norm = std::sqrt(squares);
    for (double& value : block)
        value = norm > 1e-9 ? value / norm : 0.0;
}

} // namespace keepsift::print_blocks
