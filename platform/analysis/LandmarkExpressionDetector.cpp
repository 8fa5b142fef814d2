#include <algorithm>
#include <cmath>

#include <opencv2/imgproc.hpp>

#include "platform/analysis/ExpressionDetector.hpp"
#include "platform/analysis/FaceDetector.hpp"
#include "platform/analysis/HeadPose.hpp"

namespace keepsift {
namespace {

cv::Rect2d flippedToBottomLeft(const cv::Rect2d& box, int imageHeight) {
    return {box.x, imageHeight - (box.y + box.height), box.width, box.height};
}

bool anyFound(const HaarCascade* cascade, const cv::Mat& region, int neighbours) {
    if (!cascade || region.empty()) return false;
    cv::Size minimum(std::max(8, region.cols / 6), std::max(8, region.rows / 8));
    return !cascade->detect(region, 1.1, neighbours, minimum).empty();
}

} // namespace

double smileMeasure(const FaceShape& shape) {
    auto centreOf = [&](size_t first) {
        cv::Point2d sum(0, 0);
        for (size_t i = first; i < first + 6; ++i)
            sum += shape[i];
        return sum * (1.0 / 6);
    };
    const cv::Point2d left = centreOf(36), right = centreOf(42);
    const double eyes = cv::norm(right - left);
    if (!(eyes > 0)) return 0.0;
    // Measured across and down the face, so that a tilted head reads as an upright one.
    const cv::Point2d down(-(right - left).y / eyes, (right - left).x / eyes);
    const double width = cv::norm(shape[54] - shape[48]);
    const double middle = (shape[62].dot(down) + shape[66].dot(down)) / 2;
    const double corners = (shape[48].dot(down) + shape[54].dot(down)) / 2;
    return (width + middle - corners) / eyes;
}

LandmarkExpressionDetector::LandmarkExpressionDetector(
    std::shared_ptr<const FaceDetector> faces, Cascades cascades,
    std::shared_ptr<const LandmarkModel> landmarks)
    : faces_(std::move(faces)), cascades_(std::move(cascades)), landmarks_(std::move(landmarks)) {}

ExpressionFeature LandmarkExpressionDetector::fromLandmarks(const LandmarkDetector& landmarks,
                                                            const cv::Mat& grey,
                                                            const cv::Rect2d& face) const {
    const ExpressionFeature neutral{face, std::nullopt, false, false};
    if (std::min(face.width, face.height) < smallestReadableFace) return neutral;
    const auto shape = landmarks.landmarks(grey, face);
    const auto pose = estimateHeadPose(shape, grey.size());
    if (!pose || std::abs(pose->yaw) > mostReadableYaw) return neutral;
    const auto aspect = eyesAspect(shape);
    const bool closed = aspect && *aspect < closedEyeAspect;
    const double smile = smileMeasure(shape);
    std::optional<bool> smiling;
    if (smile > smilingMeasure)
        smiling = true;
    else if (smile < plainMeasure)
        smiling = false;
    return {face, smiling, closed, closed};
}

ExpressionFeature LandmarkExpressionDetector::fromCascades(const cv::Mat& grey,
                                                           const cv::Rect2d& face) const {
    cv::Rect inside = cv::Rect(face) & cv::Rect(0, 0, grey.cols, grey.rows);
    cv::Mat upper = grey(cv::Rect(inside.x, inside.y, inside.width, inside.height / 2));
    cv::Mat lower = grey(cv::Rect(inside.x, inside.y + inside.height / 2, inside.width,
                                  inside.height - inside.height / 2));
    bool eyesSeen = anyFound(cascades_.eye.get(), upper, 3);
    return {face, anyFound(cascades_.smile.get(), lower, 20), !eyesSeen, !eyesSeen};
}

std::vector<ExpressionFeature> LandmarkExpressionDetector::detect(const cv::Mat& uprightBgr) const {
    if (uprightBgr.empty()) return {};
    cv::Mat grey;
    cv::cvtColor(uprightBgr, grey, cv::COLOR_BGR2GRAY);
    return detectInGrey(grey);
}

std::vector<ExpressionFeature> LandmarkExpressionDetector::detectInGrey(const cv::Mat& grey) const {
    std::vector<ExpressionFeature> features;
    if (grey.empty() || !faces_) return features;
    const auto found = faces_->detect(grey);
    // Asked only once a face is found, so that photographs without faces never read the model.
    const auto landmarks = found.empty() || !landmarks_ ? nullptr : landmarks_->detector();
    for (const auto& face : found) {
        auto feature =
            landmarks ? fromLandmarks(*landmarks, grey, face.box) : fromCascades(grey, face.box);
        feature.bounds = flippedToBottomLeft(face.box, grey.rows);
        features.push_back(feature);
    }
    return features;
}

} // namespace keepsift
