#include "platform/analysis/DetailLevel.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include <opencv2/imgproc.hpp>

#include "platform/imaging/AreaShrink.hpp"

namespace keepsift {
namespace {

// Grey, brought to the analysis size by a Gaussian of antialiasSigma (in analysis pixels) and
// area averaging, keeping the aspect ratio. Without the Gaussian, detail finer than the analysis
// size folds back into the fine bands by as much as the resampling chain lets through, so a copy
// exported at a size that is no whole multiple read softer than its original.
cv::Mat analysisGrey(const cv::Mat& bgr, const cv::Mat& givenGrey) {
    cv::Mat grey8, sized, grey;
    if (givenGrey.size() == bgr.size() && givenGrey.type() == CV_8UC1)
        grey8 = givenGrey;
    else
        cv::cvtColor(bgr, grey8, cv::COLOR_BGR2GRAY);
    const int longEdge = std::max(bgr.cols, bgr.rows);
    const double scale = static_cast<double>(DetailLevel::analysisSide) / longEdge;
    if (scale < 1) {
        const double sigma = DetailLevel::antialiasSigma / scale;
        // Into a picture of its own: blurring in place makes OpenCV copy the picture first.
        // Isolated, so that a given grey cut to the content frame reflects at the frame's
        // edges, as a grey made of the frame alone does, instead of reading the border.
        cv::Mat blurred;
        cv::GaussianBlur(grey8, blurred, cv::Size(), sigma, sigma,
                         cv::BORDER_REFLECT | cv::BORDER_ISOLATED);
        grey8 = blurred;
    }
    auto resample = [&](cv::Size size, double factor) {
        if (scale < 1)
            shrinkByArea(grey8, sized, size, factor, factor);
        else
            cv::resize(grey8, sized, size, factor, factor, cv::INTER_LINEAR);
    };
    // One scale for both axes: rounding each side on its own would resample them unequally
    // and read as a direction that a copy one pixel narrower does not have. A sliver still
    // gets four pixels across.
    if (std::min(bgr.cols, bgr.rows) * scale >= 4)
        resample(cv::Size(), scale);
    else
        resample(cv::Size(std::max(4, static_cast<int>(std::lround(bgr.cols * scale))),
                          std::max(4, static_cast<int>(std::lround(bgr.rows * scale)))),
                 0);
    sized.convertTo(grey, CV_32F);
    return grey;
}

// The coarse band is measured on a half-size copy, where its blurs cost a quarter.
cv::Mat halved(const cv::Mat& grey) {
    cv::Mat half;
    cv::resize(grey, half, cv::Size((grey.cols + 1) / 2, (grey.rows + 1) / 2), 0, 0,
               cv::INTER_AREA);
    return half;
}

void blur(const cv::Mat& grey, double sigma, cv::Mat& smooth) {
    cv::GaussianBlur(grey, smooth, cv::Size(), sigma, sigma, cv::BORDER_REFLECT);
}

cv::Mat gaussian(const cv::Mat& grey, double sigma) {
    cv::Mat smooth;
    blur(grey, sigma, smooth);
    return smooth;
}

double variance(const cv::Mat& values) {
    cv::Scalar mean, deviation;
    cv::meanStdDev(values, mean, deviation);
    return deviation[0] * deviation[0];
}

// Second moments of a band's gradient.
struct Moments {
    double xx = 0, yy = 0, xy = 0;
};

// Pictures at the analysis size, reused from band to band: a fresh one costs a page fault per
// 4 KiB of it, which measured more than the arithmetic done in it.
struct Workspace {
    cv::Mat narrow, wide, dx, dy, product;

    // The band between two blurs of grey.
    void band(const cv::Mat& grey, double narrowSigma, double wideSigma, cv::Mat& into) {
        blur(grey, narrowSigma, narrow);
        blur(grey, wideSigma, wide);
        cv::subtract(narrow, wide, into);
    }

    double meanOfProduct(const cv::Mat& a, const cv::Mat& b) {
        cv::multiply(a, b, product);
        return cv::mean(product)[0];
    }

    Moments momentsOf(const cv::Mat& band) {
        cv::Sobel(band, dx, CV_32F, 1, 0);
        cv::Sobel(band, dy, CV_32F, 0, 1);
        return {meanOfProduct(dx, dx), meanOfProduct(dy, dy), meanOfProduct(dx, dy)};
    }
};

std::array<double, 2> anisotropyOf(const Moments& m) {
    const double total = m.xx + m.yy + DetailLevel::gradientFloor;
    return {(m.xx - m.yy) / total, 2.0 * m.xy / total};
}

// Gradient energy across 0, 45, 90 and 135 degrees.
std::array<double, 4> directionalEnergy(const Moments& m) {
    const double mean = (m.xx + m.yy) / 2;
    return {m.xx, mean + m.xy, m.yy, mean - m.xy};
}

// The log ratio of a band's gradient energy to the coarse band's, in the direction where it is
// least.
double leastRatio(const Moments& band, const Moments& coarse) {
    const auto ours = directionalEnergy(band), theirs = directionalEnergy(coarse);
    double least = std::numeric_limits<double>::infinity();
    for (size_t i = 0; i < ours.size(); ++i)
        least = std::min(least, std::log((ours[i] + DetailLevel::directionFloor) /
                                         (theirs[i] + DetailLevel::directionFloor)));
    return least;
}

} // namespace

DetailLevel DetailLevel::of(const cv::Mat& bgr, const cv::Mat& givenGrey) {
    DetailLevel level;
    if (bgr.empty() || bgr.type() != CV_8UC3) return level;
    const cv::Mat grey = analysisGrey(bgr, givenGrey);
    Workspace work;
    cv::Mat finest, fine;
    // The blur of fineSigma bounds both fine bands.
    blur(grey, fineSigma, work.wide);
    blur(grey, finestSigma, work.narrow);
    cv::subtract(work.narrow, work.wide, finest);
    blur(grey, 2 * fineSigma, work.narrow);
    cv::subtract(work.wide, work.narrow, fine);
    const cv::Mat half = halved(grey);
    const cv::Mat coarse = gaussian(half, coarseSigma / 2) - gaussian(half, coarseSigma);
    level.fineToCoarse =
        std::log((variance(fine) + energyFloor) / (variance(coarse) + energyFloor));
    const Moments fineMoments = work.momentsOf(fine), finestMoments = work.momentsOf(finest);
    level.anisotropy = anisotropyOf(fineMoments);
    level.finestAnisotropy = anisotropyOf(finestMoments);
    work.band(grey, coarseSigma, 2 * coarseSigma, fine);
    const Moments coarseMoments = work.momentsOf(fine);
    level.leastFineToCoarse = leastRatio(fineMoments, coarseMoments);
    level.leastFinestToCoarse = leastRatio(finestMoments, coarseMoments);
    return level;
}

} // namespace keepsift
