#pragma once

#include <memory>
#include <vector>

#include <opencv2/core.hpp>

#include "platform/analysis/FaceDetector.hpp"
#include "platform/analysis/HaarCascade.hpp"
#include "platform/analysis/LandmarkDetector.hpp"

namespace keepsift {

// One face of the expression detector. Bounds are in the upright image's pixels with the
// origin at the bottom-left, y upward, as the faces of the analysis are.
struct ExpressionFeature {
    cv::Rect2d bounds;
    bool hasSmile = false;
    bool leftEyeClosed = false;
    bool rightEyeClosed = false;
};

class ExpressionDetector {
public:
    virtual ~ExpressionDetector() = default;
    virtual std::vector<ExpressionFeature> detect(const cv::Mat& uprightBgr) const = 0;
};

// Finds faces with the face detector, then reads smile and closed eyes from the 68 landmarks
// (mouth width against jaw width, eye aspect ratio); without the landmark model, from Haar
// smile and eye cascades on the face.
class LandmarkExpressionDetector final : public ExpressionDetector {
public:
    static constexpr double smilingMouthShare = 0.44;
    static constexpr double closedEyeOpening = 0.19;

    struct Cascades {
        std::shared_ptr<const HaarCascade> smile, eye;
    };

    LandmarkExpressionDetector(std::shared_ptr<const FaceDetector> faces, Cascades cascades,
                               std::shared_ptr<const LandmarkDetector> landmarks);
    std::vector<ExpressionFeature> detect(const cv::Mat& uprightBgr) const override;

private:
    ExpressionFeature fromLandmarks(const cv::Mat& grey, const cv::Rect2d& face) const;
    ExpressionFeature fromCascades(const cv::Mat& grey, const cv::Rect2d& face) const;

    std::shared_ptr<const FaceDetector> faces_;
    Cascades cascades_;
    std::shared_ptr<const LandmarkDetector> landmarks_;
};

// Mouth corners apart over jaw width: about 0.38 at rest, more when smiling.
double mouthShare(const FaceShape& shape);

} // namespace keepsift
