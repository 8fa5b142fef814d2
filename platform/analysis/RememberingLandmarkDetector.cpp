#include "platform/analysis/RememberingLandmarkDetector.hpp"

#include "platform/analysis/RememberingFaceDetector.hpp"

namespace keepsift {

RememberingLandmarkDetector::RememberingLandmarkDetector(
    std::shared_ptr<const LandmarkDetector> detector)
    : detector_(std::move(detector)) {}

// The pixels under the box and the image's size stand for the image.
FaceShape RememberingLandmarkDetector::landmarks(const cv::Mat& uprightGrey,
                                                 const cv::Rect2d& face) const {
    cv::Rect inside = cv::Rect(face) & cv::Rect(0, 0, uprightGrey.cols, uprightGrey.rows);
    std::uint64_t key = pixelFingerprint(uprightGrey(inside)) ^
                        (static_cast<std::uint64_t>(uprightGrey.cols) << 32) ^
                        static_cast<std::uint64_t>(uprightGrey.rows);
    return answers_.answer({key, face}, [&] { return detector_->landmarks(uprightGrey, face); });
}

} // namespace keepsift
