#include <algorithm>
#include <cmath>

#include "platform/analysis/FaceDetector.hpp"

namespace keepsift {

// The smallest face that counts covers 0.004 of the frame.
double scaleForSmallestFace(cv::Size image, double sideInPixels) {
    constexpr double smallestFaceArea = 0.004;
    double area = static_cast<double>(image.width) * static_cast<double>(image.height);
    if (area <= 0) return 1.0;
    double smallestSide = std::sqrt(smallestFaceArea * area);
    return std::min(1.0, sideInPixels / smallestSide);
}

double overlap(const cv::Rect2d& a, const cv::Rect2d& b) {
    double intersection = (a & b).area();
    double united = a.area() + b.area() - intersection;
    return united > 0 ? intersection / united : 0.0;
}

} // namespace keepsift
