#include "platform/analysis/LandmarkDetector.hpp"

#include <algorithm>
#include <filesystem>

#include <dlib/image_processing/shape_predictor.h>
#include <dlib/opencv/cv_image.h>
#include <dlib/serialize.h>

namespace keepsift {

std::unique_ptr<ShapeLandmarkDetector> ShapeLandmarkDetector::load(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return nullptr;
    auto model = std::make_unique<dlib::shape_predictor>();
    try {
        dlib::deserialize(path) >> *model;
    } catch (const std::exception&) {
        return nullptr;
    }
    if (model->num_parts() != 68) return nullptr;
    return std::unique_ptr<ShapeLandmarkDetector>(new ShapeLandmarkDetector(std::move(model)));
}

ShapeLandmarkDetector::ShapeLandmarkDetector(std::unique_ptr<dlib::shape_predictor> model)
    : model_(std::move(model)) {}

ShapeLandmarkDetector::~ShapeLandmarkDetector() = default;

FaceShape ShapeLandmarkDetector::landmarks(const cv::Mat& uprightGrey,
                                           const cv::Rect2d& face) const {
    dlib::rectangle box(static_cast<long>(face.x), static_cast<long>(face.y),
                        static_cast<long>(face.x + face.width),
                        static_cast<long>(face.y + face.height));
    auto detection = (*model_)(dlib::cv_image<unsigned char>(uprightGrey), box);
    FaceShape shape;
    for (size_t i = 0; i < shape.size(); ++i)
        shape[i] = cv::Point2d(static_cast<double>(detection.part(i).x()),
                               static_cast<double>(detection.part(i).y()));
    return shape;
}

std::optional<double> eyeRegionAspect(const FaceShape& shape, int firstPoint) {
    double left = shape[static_cast<size_t>(firstPoint)].x, right = left;
    double top = shape[static_cast<size_t>(firstPoint)].y, bottom = top;
    for (int i = firstPoint; i < firstPoint + 6; ++i) {
        const auto& point = shape[static_cast<size_t>(i)];
        left = std::min(left, point.x);
        right = std::max(right, point.x);
        top = std::min(top, point.y);
        bottom = std::max(bottom, point.y);
    }
    if (!(left < right)) return std::nullopt;
    return (bottom - top) / (right - left);
}

std::optional<double> eyesAspect(const FaceShape& shape) {
    const auto left = eyeRegionAspect(shape, 42), right = eyeRegionAspect(shape, 36);
    if (left && right) return (*left + *right) / 2.0;
    return left ? left : right;
}

} // namespace keepsift
