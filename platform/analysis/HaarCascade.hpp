#pragma once

#include <mutex>
#include <string>
#include <vector>

#include <opencv2/objdetect.hpp>

namespace keepsift {

// An OpenCV Haar cascade shared between threads: the classifier keeps scratch state, so one
// search runs at a time.
class HaarCascade {
public:
    explicit HaarCascade(const std::string& path);
    bool isLoaded() const { return loaded_; }
    // An empty maximum size means no limit.
    std::vector<cv::Rect> detect(const cv::Mat& grey, double scaleFactor, int minNeighbours,
                                 cv::Size minimumSize, cv::Size maximumSize = {}) const;

private:
    mutable std::mutex mutex_;
    mutable cv::CascadeClassifier classifier_;
    bool loaded_ = false;
};

} // namespace keepsift
