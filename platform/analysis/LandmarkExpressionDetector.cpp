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

double mouthShare(const FaceShape& shape) {
    double jaw = cv::norm(shape[0] - shape[16]);
    return jaw > 0 ? cv::norm(shape[48] - shape[54]) / jaw : 0.0;
}

LandmarkExpressionDetector::LandmarkExpressionDetector(
    std::shared_ptr<const FaceDetector> faces, Cascades cascades,
    std::shared_ptr<const LandmarkDetector> landmarks)
    : faces_(std::move(faces)), cascades_(std::move(cascades)), landmarks_(std::move(landmarks)) {}

ExpressionFeature LandmarkExpressionDetector::fromLandmarks(const cv::Mat& grey,
                                                            const cv::Rect2d& face) const {
    const ExpressionFeature neutral{face, std::nullopt, false, false};
    if (std::min(face.width, face.height) < smallestReadableFace) return neutral;
    const auto shape = landmarks_->landmarks(grey, face);
    const auto pose = estimateHeadPose(shape, grey.size());
    if (!pose || std::abs(pose->yaw) > mostReadableYaw) return neutral;
    const auto aspect = eyesAspect(shape);
    const bool closed = aspect && *aspect < closedEyeAspect;
    const double mouth = mouthShare(shape);
    std::optional<bool> smiling;
    if (mouth > smilingMouthShare)
        smiling = true;
    else if (mouth < plainMouthShare)
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
    std::vector<ExpressionFeature> features;
    if (uprightBgr.empty() || !faces_) return features;
    cv::Mat grey;
    cv::cvtColor(uprightBgr, grey, cv::COLOR_BGR2GRAY);
    for (const auto& found : faces_->detect(grey)) {
        auto feature = landmarks_ ? fromLandmarks(grey, found.box) : fromCascades(grey, found.box);
        feature.bounds = flippedToBottomLeft(found.box, grey.rows);
        features.push_back(feature);
    }
    return features;
}

} // namespace keepsift
