#include "platform/analysis/LandmarkDetector.hpp"

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

std::optional<double> eyeOpening(const FaceShape& shape, int firstPoint) {
    auto at = [&](int offset) { return shape[static_cast<size_t>(firstPoint + offset)]; };
    double width = cv::norm(at(0) - at(3));
    if (width <= 0) return std::nullopt;
    return (cv::norm(at(1) - at(5)) + cv::norm(at(2) - at(4))) / (2.0 * width);
}

} // namespace keepsift
