#include <opencv2/imgproc.hpp>

#include "platform/analysis/ExpressionDetector.hpp"
#include "platform/analysis/FaceDetector.hpp"

namespace keepsift {
namespace {

// The shape model was trained on tighter boxes than the Haar cascade draws.
cv::Rect2d tightened(const cv::Rect2d& haarBox) {
    return {haarBox.x + 0.1 * haarBox.width, haarBox.y + 0.18 * haarBox.height, 0.8 * haarBox.width,
            0.8 * haarBox.height};
}

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
    Cascades cascades, std::shared_ptr<const LandmarkDetector> landmarks)
    : cascades_(std::move(cascades)), landmarks_(std::move(landmarks)) {}

ExpressionFeature LandmarkExpressionDetector::fromLandmarks(const cv::Mat& grey,
                                                            const cv::Rect2d& face) const {
    auto shape = landmarks_->landmarks(grey, tightened(face));
    auto closed = [&](int firstPoint) {
        auto opening = eyeOpening(shape, firstPoint);
        return opening && *opening < closedEyeOpening;
    };
    return {face, mouthShare(shape) > smilingMouthShare, closed(42), closed(36)};
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
    if (uprightBgr.empty() || !cascades_.face || !cascades_.face->isLoaded()) return features;
    cv::Mat grey, small;
    cv::cvtColor(uprightBgr, grey, cv::COLOR_BGR2GRAY);
    double scale = scaleForSmallestFace(grey.size(), faceSide);
    cv::resize(grey, small, cv::Size(), scale, scale, cv::INTER_AREA);
    for (const auto& found : cascades_.face->detect(small, 1.15, 4, cv::Size(24, 24))) {
        cv::Rect2d face(found.x / scale, found.y / scale, found.width / scale,
                        found.height / scale);
        auto feature = landmarks_ ? fromLandmarks(grey, face) : fromCascades(grey, face);
        feature.bounds = flippedToBottomLeft(face, grey.rows);
        features.push_back(feature);
    }
    return features;
}

} // namespace keepsift
