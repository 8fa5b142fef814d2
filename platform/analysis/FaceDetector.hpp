#pragma once

#include <vector>

#include <opencv2/core.hpp>

namespace keepsift {

// One face found in an upright grey image, in that image's pixels (origin top-left).
struct FaceDetection {
    cv::Rect2d box;
    double confidence = 0;
    // Which of the detector's sub-models fired: 0 frontal, 1 turned left, 2 turned right,
    // 3 and 4 frontal but tilted; -1 when unknown.
    int subModel = -1;
};

class FaceDetector {
public:
    virtual ~FaceDetector() = default;
    // Strongest first, no two overlapping.
    virtual std::vector<FaceDetection> detect(const cv::Mat& uprightGrey) const = 0;
};

// The scale at which a face of the smallest counted area is sideInPixels wide (never above 1).
double scaleForSmallestFace(cv::Size image, double sideInPixels);

// Intersection over union of two rectangles; 0 when they do not overlap.
double overlap(const cv::Rect2d& a, const cv::Rect2d& b);

} // namespace keepsift
