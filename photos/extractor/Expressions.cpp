#include "photos/extractor/LiveSignalExtractor.hpp"
#include "platform/imaging/Orientation.hpp"

#include <opencv2/imgproc.hpp>

namespace keepsift {

std::vector<Expression> LiveSignalExtractor::expressions(const cv::Mat& faceImage,
                                                         std::uint32_t orientation) const {
    if (faceImage.empty()) return {};
    cv::Mat grey;
    cv::cvtColor(upright(faceImage, orientation), grey, cv::COLOR_BGR2GRAY);
    return expressionsOf(grey);
}

std::vector<Expression> LiveSignalExtractor::expressionsOf(const cv::Mat& uprightGrey) const {
    std::vector<Expression> found;
    double width = uprightGrey.cols, height = uprightGrey.rows;
    if (width <= 0 || height <= 0) return found;
    for (const auto& feature : context_->expressionDetector().detectInGrey(uprightGrey)) {
        NormalisedBounds bounds{feature.bounds.x / width, feature.bounds.y / height,
                                feature.bounds.width / width, feature.bounds.height / height};
        found.push_back(
            {bounds, feature.hasSmile, feature.leftEyeClosed ? true : feature.rightEyeClosed});
    }
    return found;
}

} // namespace keepsift
