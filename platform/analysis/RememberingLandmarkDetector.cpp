#include "platform/analysis/RememberingLandmarkDetector.hpp"

#include <algorithm>

#include "platform/analysis/RememberingFaceDetector.hpp"

namespace keepsift {

RememberingLandmarkDetector::RememberingLandmarkDetector(
    std::shared_ptr<const LandmarkDetector> detector)
    : detector_(std::move(detector)) {}

void RememberingLandmarkDetector::forget() const {
    std::lock_guard lock(mutex_);
    entries_.clear();
}

// The pixels under the box and the image's size stand for the image.
FaceShape RememberingLandmarkDetector::landmarks(const cv::Mat& uprightGrey,
                                                 const cv::Rect2d& face) const {
    cv::Rect inside = cv::Rect(face) & cv::Rect(0, 0, uprightGrey.cols, uprightGrey.rows);
    std::uint64_t key = RememberingFaceDetector::fingerprint(uprightGrey(inside)) ^
                        (static_cast<std::uint64_t>(uprightGrey.cols) << 32) ^
                        static_cast<std::uint64_t>(uprightGrey.rows);
    {
        std::lock_guard lock(mutex_);
        auto found = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& entry) {
            return entry.fingerprint == key && entry.face == face;
        });
        if (found != entries_.end()) return found->shape;
    }
    auto shape = detector_->landmarks(uprightGrey, face);
    std::lock_guard lock(mutex_);
    entries_.push_front({key, face, shape});
    if (entries_.size() > remembered) entries_.pop_back();
    return shape;
}

} // namespace keepsift
