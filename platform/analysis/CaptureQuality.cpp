#include "platform/analysis/CaptureQuality.hpp"

#include <algorithm>
#include <cmath>

#include <opencv2/imgproc.hpp>

namespace keepsift {
namespace {

double sharpnessTerm(const cv::Mat& patch) {
    cv::Mat laplacian;
    cv::Laplacian(patch, laplacian, CV_64F);
    cv::Scalar mean, deviation;
    cv::meanStdDev(laplacian, mean, deviation);
    return 1.0 - std::exp(-(deviation[0] * deviation[0]) / 150.0);
}

double exposureTerm(const cv::Mat& patch) {
    double mean = cv::mean(patch)[0];
    double clipped = (cv::countNonZero(patch <= 5) + cv::countNonZero(patch >= 250)) /
                     static_cast<double>(patch.total());
    return std::max(0.0, 1.0 - std::abs(mean - 128.0) / 128.0 - clipped);
}

} // namespace

float CaptureQuality::of(const cv::Mat& uprightGrey, const cv::Rect2d& face, double confidence,
                         std::optional<double> yaw) {
    cv::Rect inside = cv::Rect(face) & cv::Rect(0, 0, uprightGrey.cols, uprightGrey.rows);
    if (inside.width < 2 || inside.height < 2) return 0.f;
    cv::Mat patch;
    cv::resize(uprightGrey(inside), patch, cv::Size(patchSide, patchSide), 0, 0, cv::INTER_AREA);
    double frame = static_cast<double>(uprightGrey.cols) * uprightGrey.rows;
    double size = std::min(1.0, std::sqrt(face.area() / frame) / 0.2);
    double sure = std::max(0.0, confidence) / (std::max(0.0, confidence) + 1.0);
    double frontal = yaw ? std::max(0.0, std::cos(*yaw)) : 0.75;
    double quality = sharpnessWeight * sharpnessTerm(patch) + exposureWeight * exposureTerm(patch) +
                     sizeWeight * size + confidenceWeight * sure + frontalityWeight * frontal;
    if (!std::isfinite(quality)) return 0.f;
    return static_cast<float>(std::clamp(quality, 0.0, 1.0));
}

} // namespace keepsift
