#pragma once

#include <array>

#include <opencv2/core.hpp>

namespace keepsift {

// How much fine detail a picture keeps, measured on fixed square resamples so a copy at
// another size reads the same: the log ratio of curvature energy at a resample to the energy
// at half of it. Overall on a resample small enough that a half-size copy keeps all of it;
// per direction (0°, 90°, 45°, 135°, less their mean) on a larger one, where a copy changes
// every direction alike but shake lowers the directions along it.
struct DetailLevel {
    static constexpr int side = 128;
    static constexpr int directionSide = 256;
    double overall = 0;
    std::array<double, 4> directions{};

    // Empty pictures read as no detail at all.
    static DetailLevel of(const cv::Mat& bgr);
};

} // namespace keepsift
