#pragma once

#include <optional>

#include <opencv2/core.hpp>

namespace keepsift {

// How usable a face is, 0 to 1: a weighted sum of five terms, each 0 to 1.
// - sharpness: Laplacian variance v of the face scaled to 64 x 64 grey, as 1 - exp(-v / 150);
// - exposure: 1 - |mean - 128| / 128 of that patch, less the share of clipped pixels;
// - size: the face's side relative to a fifth of the frame's (sqrt(area) / 0.2), capped at 1;
// - confidence: c / (c + 1) of the detector's confidence c (0 when negative);
// - frontality: cos(yaw), or 0.75 when yaw is unknown.
struct CaptureQuality {
    static constexpr double sharpnessWeight = 0.35;
    static constexpr double exposureWeight = 0.2;
    static constexpr double sizeWeight = 0.15;
    static constexpr double confidenceWeight = 0.15;
    static constexpr double frontalityWeight = 0.15;
    static constexpr int patchSide = 64;

    static float of(const cv::Mat& uprightGrey, const cv::Rect2d& face, double confidence,
                    std::optional<double> yaw);
};

} // namespace keepsift
