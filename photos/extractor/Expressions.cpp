#include "photos/extractor/LiveSignalExtractor.hpp"
#include "platform/imaging/Orientation.hpp"

namespace keepsift {

std::vector<Expression> LiveSignalExtractor::expressions(const cv::Mat& faceImage,
                                                         std::uint32_t orientation) const {
    std::vector<Expression> found;
    if (faceImage.empty()) return found;
    cv::Mat image = upright(faceImage, orientation);
    double width = image.cols, height = image.rows;
    if (width <= 0 || height <= 0) return found;
    for (const auto& feature : context_->expressionDetector().detect(image)) {
        NormalisedBounds bounds{feature.bounds.x / width, feature.bounds.y / height,
                                feature.bounds.width / width, feature.bounds.height / height};
        found.push_back(
            {bounds, feature.hasSmile, feature.leftEyeClosed ? true : feature.rightEyeClosed});
    }
    return found;
}

} // namespace keepsift
