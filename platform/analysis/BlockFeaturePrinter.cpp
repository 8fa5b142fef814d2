#include "platform/analysis/BlockFeaturePrinter.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

#include <opencv2/imgproc.hpp>

#include "platform/analysis/ContentFrame.hpp"
#include "platform/analysis/DetailLevel.hpp"
#include "platform/analysis/PrintBlocks.hpp"
#include "platform/imaging/AreaShrink.hpp"

namespace keepsift {
namespace {

// BGR in 0...1, resampled to side x side.
cv::Mat resample(const cv::Mat& bgr, int side) {
    cv::Mat small, scaled;
    shrinkByArea(bgr, small, cv::Size(side, side));
    small.convertTo(scaled, CV_32FC3, 1.0 / 255.0);
    return scaled;
}

void append(std::vector<double>& print, std::vector<double> block, double weight) {
    print_blocks::centreAndNormalise(block);
    for (double value : block)
        print.push_back(weight * value);
}

// The reading on circles of a few frequencies: the distance of two readings is bounded and
// grows with their difference until it levels off.
void appendReading(std::vector<double>& print, double value,
                   const BlockFeaturePrinter::DetailReading& reading) {
    using P = BlockFeaturePrinter;
    const double radius = reading.radius / std::sqrt(double(P::detailFrequencies));
    for (double turn : P::detailTurns) {
        const double angle = turn * value / reading.scale;
        print.push_back(radius * std::cos(angle));
        print.push_back(radius * std::sin(angle));
    }
}

void appendDetail(std::vector<double>& print, const DetailLevel& level) {
    using P = BlockFeaturePrinter;
    appendReading(print, level.fineToCoarse, P::fineToCoarseReading);
    appendReading(print, level.leastFineToCoarse, P::leastFineReading);
    appendReading(print, level.leastFinestToCoarse, P::leastFinestReading);
    for (double term : level.anisotropy)
        appendReading(print, term, P::anisotropyReading);
    for (double term : level.finestAnisotropy)
        appendReading(print, term, P::finestAnisotropyReading);
}

void scaleTo(std::vector<double>& values, double length) {
    double squares = 0;
    for (double value : values)
        squares += value * value;
    const double norm = std::sqrt(squares);
    for (double& value : values)
        value = norm > 0 ? value * length / norm : 0;
}

} // namespace

double BlockFeaturePrinter::detailBound() {
    double squares = 0;
    for (const auto& [reading, count] :
         {std::pair{fineToCoarseReading, 1}, std::pair{leastFineReading, 1},
          std::pair{leastFinestReading, 1}, std::pair{anisotropyReading, 2},
          std::pair{finestAnisotropyReading, 2}})
        squares += count * reading.radius * reading.radius;
    return 2 * std::sqrt(squares);
}

std::vector<float> BlockFeaturePrinter::print(const cv::Mat& uprightBgr) const {
    return print(uprightBgr, cv::Mat());
}

std::vector<float> BlockFeaturePrinter::print(const cv::Mat& uprightBgr,
                                              const cv::Mat& uprightGrey) const {
    if (uprightBgr.empty() || uprightBgr.type() != CV_8UC3) return {};
    // A border that an export or a screenshot added is not part of what the picture shows.
    const cv::Rect frame = ContentFrame::of(uprightBgr);
    const cv::Mat picture = uprightBgr(frame);
    const bool hasGrey = uprightGrey.size() == uprightBgr.size() && uprightGrey.type() == CV_8UC1;
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
    scaleTo(values, contentLength);
    appendDetail(values, DetailLevel::of(picture, hasGrey ? uprightGrey(frame) : cv::Mat()));
    std::vector<float> print;
    print.reserve(values.size());
    for (double value : values)
        print.push_back(static_cast<float>(value));
    return print;
}

} // namespace keepsift
