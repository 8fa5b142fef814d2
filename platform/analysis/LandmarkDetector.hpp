#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>

#include <opencv2/core.hpp>

namespace dlib {
class shape_predictor;
}

namespace keepsift {

// The 68 points of the iBUG layout in image pixels: jaw 0-16, eyes 36-41 (image left) and
// 42-47 (image right), mouth 48-67.
using FaceShape = std::array<cv::Point2d, 68>;

class LandmarkDetector {
public:
    virtual ~LandmarkDetector() = default;
    virtual FaceShape landmarks(const cv::Mat& uprightGrey, const cv::Rect2d& face) const = 0;
};

// dlib's 68-point shape predictor. The model is a separate file that may be missing.
class ShapeLandmarkDetector final : public LandmarkDetector {
public:
    static constexpr const char* installedModel =
        "/usr/share/dlib/shape_predictor_68_face_landmarks.dat";

    // Null when the model cannot be read.
    static std::unique_ptr<ShapeLandmarkDetector> load(const std::string& path);
    ~ShapeLandmarkDetector() override;
    FaceShape landmarks(const cv::Mat& uprightGrey, const cv::Rect2d& face) const override;

private:
    explicit ShapeLandmarkDetector(std::unique_ptr<dlib::shape_predictor> model);
    std::unique_ptr<dlib::shape_predictor> model_;
};

// The height over the width of the box around points 36-41 or 42-47; absent for a
// degenerate eye.
std::optional<double> eyeRegionAspect(const FaceShape& shape, int firstPoint);
// The mean of the two eyes' aspects: the one reading of how open the eyes are that the
// stored eye aspect ratio and the closed-eyes verdict share.
std::optional<double> eyesAspect(const FaceShape& shape);

} // namespace keepsift
