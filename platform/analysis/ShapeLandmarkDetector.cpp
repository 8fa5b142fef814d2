#include "platform/analysis/LandmarkDetector.hpp"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iterator>

#include <dlib/image_processing/shape_predictor.h>
#include <dlib/opencv/cv_image.h>
#include <dlib/serialize.h>
#include <opencv2/imgproc.hpp>

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

namespace {

// The model places its points at whole pixels; read at this face side, the points land within
// a small share of the face whatever the photograph's resolution.
constexpr double readingSide = 160;
// Read around the box too: the jaw and brows reach past the detector's box.
constexpr double readingMargin = 0.4;

// The face's surroundings at the reading size, and how its pixels map to the image's.
struct Patch {
    cv::Mat image;
    cv::Point origin;
    double sx = 1, sy = 1;
};

Patch patchAround(const cv::Mat& grey, const cv::Rect2d& face) {
    const double side = std::max(face.width, face.height);
    const cv::Rect2d around(face.x - readingMargin * side, face.y - readingMargin * side,
                            face.width + 2 * readingMargin * side,
                            face.height + 2 * readingMargin * side);
    const cv::Rect region = cv::Rect(around) & cv::Rect(0, 0, grey.cols, grey.rows);
    // A box off the picture is read where it is, as the model would read it anyway.
    if (region.width < 2 || region.height < 2 || !(side > 0)) return {grey, {0, 0}, 1, 1};
    Patch patch;
    // Halving steps blur as they shrink and cost far less than one area resize of a large face.
    cv::Mat source = grey(region);
    double wanted = readingSide / side;
    while (wanted < 0.5) {
        cv::Mat half;
        cv::pyrDown(source, half);
        source = half;
        wanted *= 2;
    }
    cv::resize(source, patch.image, cv::Size(), wanted, wanted, cv::INTER_LINEAR);
    patch.origin = region.tl();
    patch.sx = patch.image.cols / static_cast<double>(region.width);
    patch.sy = patch.image.rows / static_cast<double>(region.height);
    return patch;
}

// One fit moves by a pixel or two with the box it starts from, so the detector's coarse steps
// of box size show in it; the mean of the fits from a box a little smaller and a little larger
// moves much less.
FaceShape fit(const dlib::shape_predictor& model, const Patch& patch, const cv::Rect2d& face) {
    constexpr double scales[] = {0.9, 1.1};
    FaceShape mean{};
    const dlib::cv_image<unsigned char> image(patch.image);
    for (double scale : scales) {
        const double width = face.width * scale * patch.sx, height = face.height * scale * patch.sy;
        const double left = (face.x + face.width / 2 - patch.origin.x) * patch.sx - width / 2;
        const double top = (face.y + face.height / 2 - patch.origin.y) * patch.sy - height / 2;
        const dlib::rectangle box(std::lround(left), std::lround(top), std::lround(left + width),
                                  std::lround(top + height));
        const auto detection = model(image, box);
        for (size_t i = 0; i < mean.size(); ++i)
            mean[i] += cv::Point2d(patch.origin.x + (detection.part(i).x() + 0.5) / patch.sx - 0.5,
                                   patch.origin.y + (detection.part(i).y() + 0.5) / patch.sy - 0.5);
    }
    for (auto& point : mean)
        point *= 1.0 / std::size(scales);
    return mean;
}

} // namespace

FaceShape ShapeLandmarkDetector::landmarks(const cv::Mat& uprightGrey,
                                           const cv::Rect2d& face) const {
    return fit(*model_, patchAround(uprightGrey, face), face);
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
