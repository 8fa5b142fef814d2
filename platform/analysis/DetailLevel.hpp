#pragma once

#include <array>

#include <opencv2/core.hpp>

namespace keepsift {

// How much fine detail a picture keeps and which way it runs, measured on a grey copy whose
// long side is analysisSide, so that copies of at least that size read alike. The bands are
// differences of Gaussian blurs (sigma in pixels of that copy): the log ratio of the fine band's
// energy to the coarse band's falls when a shot is out of focus or shaken; the gradient
// structure of the fine and the finest band (horizontal less vertical, and the diagonal term,
// over their sum) turns towards the direction across a shake, while a copy leaves it be.
struct DetailLevel {
    static constexpr int analysisSide = 640;
    static constexpr double antialiasSigma = 0.25;
    static constexpr double finestSigma = 0.5; // finest band: sigma 0.5 less sigma 1
    static constexpr double fineSigma = 1.0;   // fine band: sigma 1 less sigma 2
    static constexpr double coarseSigma = 4.0; // coarse band: sigma 4 less sigma 8
    // One grey level squared keeps flat pictures from dividing noise by nothing; the gradient
    // floor (in squared Sobel units) keeps faint texture and noise from reading as a direction.
    static constexpr double energyFloor = 1.0;
    static constexpr double gradientFloor = 128.0;

    // Keeps a flat direction from dividing noise by nothing (squared Sobel units).
    static constexpr double directionFloor = 16.0;

    double fineToCoarse = 0;
    std::array<double, 2> anisotropy{};       // of the fine band
    std::array<double, 2> finestAnisotropy{}; // of the finest band
    // The log ratio of the fine (and the finest) band's gradient energy to the coarse band's,
    // across 0, 45, 90 and 135 degrees, in the direction where it is least: a shake lowers it
    // whichever way the hand moved, so shakes in different directions move alike.
    double leastFineToCoarse = 0;
    double leastFinestToCoarse = 0;

    // Empty pictures read as no detail at all. The picture's grey (cv::COLOR_BGR2GRAY), when
    // given, spares making it again; it reads the same.
    static DetailLevel of(const cv::Mat& bgr, const cv::Mat& grey = cv::Mat());
};

} // namespace keepsift
