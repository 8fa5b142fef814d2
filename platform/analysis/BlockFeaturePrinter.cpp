#include "platform/analysis/BlockFeaturePrinter.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include <opencv2/imgproc.hpp>

#include "platform/analysis/ContentFrame.hpp"
#include "platform/analysis/DetailLevel.hpp"
#include "platform/analysis/PrintBlocks.hpp"

namespace keepsift {
namespace {

// BGR in 0...1, resampled to side x side.
cv::Mat resample(const cv::Mat& bgr, int side) {
    cv::Mat small, scaled;
    cv::resize(bgr, small, cv::Size(side, side), 0, 0, cv::INTER_AREA);
    small.convertTo(scaled, CV_32FC3, 1.0 / 255.0);
    return scaled;
}

void append(std::vector<double>& print, std::vector<double> block, double weight) {
    print_blocks::centreAndNormalise(block);
    for (double value : block)
        print.push_back(weight * value);
}

// Linear up to about the knee, flattened beyond.
void appendAnisotropy(std::vector<double>& print, const std::array<double, 2>& anisotropy,
                      double weight) {
    const double length = std::hypot(anisotropy[0], anisotropy[1]);
    const double flattened = weight / (1.0 + length / BlockFeaturePrinter::anisotropyKnee);
    for (double share : anisotropy)
        print.push_back(flattened * share);
}

// A vector of the turn's length, turned by the value held within the turn's bounds.
void appendTurn(std::vector<double>& print, double value, const BlockFeaturePrinter::Turn& turn) {
    const double angle = turn.radiansPerUnit * (std::clamp(value, turn.low, turn.high) - turn.low);
    print.push_back(turn.weight * std::cos(angle));
    print.push_back(turn.weight * std::sin(angle));
}

void appendDetail(std::vector<double>& print, const DetailLevel& level) {
    using P = BlockFeaturePrinter;
    appendTurn(print, level.fineToCoarse, P::fineToCoarseTurn);
    appendAnisotropy(print, level.anisotropy, P::anisotropyWeight);
    appendAnisotropy(print, level.finestAnisotropy, P::finestAnisotropyWeight);
    appendTurn(print, level.leastFineToCoarse, P::leastFineTurn);
    appendTurn(print, level.leastFinestToCoarse, P::leastFinestTurn);
}

std::vector<float> unitLength(const std::vector<double>& values) {
    double squares = 0;
    for (double value : values)
        squares += value * value;
    double norm = std::sqrt(squares);
    std::vector<float> print;
    print.reserve(values.size());
    for (double value : values)
        print.push_back(static_cast<float>(norm > 0 ? value / norm : 0));
    return print;
}

} // namespace

std::vector<float> BlockFeaturePrinter::print(const cv::Mat& uprightBgr) const {
    if (uprightBgr.empty() || uprightBgr.type() != CV_8UC3) return {};
    // A border that an export or a screenshot added is not part of what the picture shows.
    const cv::Mat picture = uprightBgr(ContentFrame::of(uprightBgr));
    cv::Mat bgr = resample(picture, resampleSide), lab;
    cv::cvtColor(bgr, lab, cv::COLOR_BGR2Lab);
    cv::Mat channels[3];
    cv::split(lab, channels);
    std::vector<double> values;
    values.reserve(length);
    using namespace print_blocks;
    append(values, colourLayout(lab, layoutCells, layoutChromaScale), colourLayoutWeight);
    append(values, colourDistribution(bgr, chromaBins), colourDistributionWeight);
    append(values, gradientStructure(channels[0], gradientSide, gradientCells, edgeFading),
           gradientStructureWeight);
    append(values,
           lowFrequencyShape(fadedToEdges(channels[0], edgeFading), shapeSide, shapeCoefficients),
           lowFrequencyShapeWeight);
    appendDetail(values, DetailLevel::of(picture));
    return unitLength(values);
}

} // namespace keepsift
