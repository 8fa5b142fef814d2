#include "platform/analysis/HaarCascade.hpp"

namespace keepsift {

HaarCascade::HaarCascade(const std::string& path) {
    try {
        loaded_ = classifier_.load(path);
    } catch (const cv::Exception&) {
        loaded_ = false;
    }
}

std::vector<cv::Rect> HaarCascade::detect(const cv::Mat& grey, double scaleFactor,
                                          int minNeighbours, cv::Size minimumSize,
                                          cv::Size maximumSize) const {
    std::vector<cv::Rect> found;
    if (!loaded_ || grey.empty() || grey.cols < minimumSize.width || grey.rows < minimumSize.height)
        return found;
    std::lock_guard lock(mutex_);
    classifier_.detectMultiScale(grey, found, scaleFactor, minNeighbours, 0, minimumSize,
                                 maximumSize);
    return found;
}

} // namespace keepsift
