#pragma once

#include <memory>
#include <optional>
#include <vector>

#include <opencv2/core.hpp>

#include "platform/analysis/FaceDetector.hpp"
#include "platform/analysis/HaarCascade.hpp"
#include "platform/analysis/LandmarkDetector.hpp"
#include "platform/analysis/LandmarkModel.hpp"

namespace keepsift {

// One face of the expression detector. Bounds are in the upright image's pixels with the
// origin at the bottom-left, y upward, as the faces of the analysis are.
struct ExpressionFeature {
    cv::Rect2d bounds;
    std::optional<bool> hasSmile; // absent when the face cannot be read reliably
    bool leftEyeClosed = false;
    bool rightEyeClosed = false;
};

class ExpressionDetector {
public:
    virtual ~ExpressionDetector() = default;
    virtual std::vector<ExpressionFeature> detect(const cv::Mat& uprightBgr) const = 0;
    // The same, given the picture already in grey.
    virtual std::vector<ExpressionFeature> detectInGrey(const cv::Mat& uprightGrey) const = 0;
};

// Finds faces with the face detector, then reads smile and closed eyes from the 68 landmarks
// (the width and lift of the mouth against the eyes' distance, the eye aspect ratio the face
// analysis stores); without the landmark model, from Haar smile and eye cascades on the face.
// A false "closed" or "not smiling" flags a good photograph, so the verdicts are conservative:
// eyes are closed only well below an open eye's aspect, a mouth between smiling and plainly
// not smiling reads as unknown, and a face too small or too turned to read keeps the neutral
// verdict (eyes open, smile unknown).
class LandmarkExpressionDetector final : public ExpressionDetector {
public:
    // Real faces at rest read from 0.73 to 0.96 through copies, rescaling and exposure, smiling
    // ones from 0.97 (a slight smile reads 0.88): only a mouth clearly wider and more lifted
    // than any face at rest reads as smiling, and only one narrower than any as not smiling.
    static constexpr double smilingMeasure = 1.0;
    static constexpr double plainMeasure = 0.7;
    // Open eyes of real faces read from 0.2 (looking down) to 0.5, shut ones 0.1 to 0.2.
    static constexpr double closedEyeAspect = 0.17;
    // Smaller faces (box side in pixels) or faces turned further (radians, about 30°) are
    // not read.
    static constexpr double smallestReadableFace = 64;
    static constexpr double mostReadableYaw = 0.52;

    struct Cascades {
        std::shared_ptr<const HaarCascade> smile, eye;
    };

    LandmarkExpressionDetector(std::shared_ptr<const FaceDetector> faces, Cascades cascades,
                               std::shared_ptr<const LandmarkModel> landmarks);
    std::vector<ExpressionFeature> detect(const cv::Mat& uprightBgr) const override;
    std::vector<ExpressionFeature> detectInGrey(const cv::Mat& uprightGrey) const override;

private:
    ExpressionFeature fromLandmarks(const LandmarkDetector& landmarks, const cv::Mat& grey,
                                    const cv::Rect2d& face) const;
    ExpressionFeature fromCascades(const cv::Mat& grey, const cv::Rect2d& face) const;

    std::shared_ptr<const FaceDetector> faces_;
    Cascades cascades_;
    std::shared_ptr<const LandmarkModel> landmarks_;
};

// How wide the mouth is and how far its corners rise above the middle of the lips, over the
// distance between the eyes' centres: below 1 at rest, more when smiling.
double smileMeasure(const FaceShape& shape);

} // namespace keepsift
