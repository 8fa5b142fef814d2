#pragma once

#include <opencv2/core.hpp>

namespace keepsift {

// Where the picture itself lies once the uniform bands along its edges are left out: the
// frame of an export, the letterbox or pillarbox of a screenshot, a coloured border. A side's
// band is one colour line after line (within the tolerances below, so sensor noise and
// compression leave it one colour) and ends in a clear step to the picture; the lines that
// compression rings or resampling blends at that step go with the band while they lie nearer
// its colour than the picture's. A run of one colour that fades away (a sky), that goes on
// beyond largestShare of the side (a flat or studio background) or that is thinner than
// smallestShare is picture, not border, and stays. A picture and the same picture with a
// border thus reach the same frame.
struct ContentFrame {
    static constexpr double largestShare = 0.06;   // of the height or width, per side
    static constexpr double smallestShare = 0.004; // likewise
    // A line belongs to the band when at most outlierShare of its pixels leave the band's
    // colour by more than pixelTolerance in some channel and its mean stays within drift.
    static constexpr int pixelTolerance = 16;
    static constexpr double outlierShare = 0.02;
    static constexpr double drift = 8.0;
    // The band ends in a step: within stepReach lines past it, a line's pixels leave the colour
    // of the band's innermost line by step on average.
    static constexpr double step = 12.0;
    static constexpr int stepReach = 8;

    // The whole picture when it has no band; an empty rectangle for an empty picture or one
    // that is not 8-bit BGR.
    static cv::Rect of(const cv::Mat& bgr);
};

} // namespace keepsift
