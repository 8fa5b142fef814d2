#pragma once

#include <deque>
#include <memory>
#include <mutex>

#include "platform/analysis/LandmarkDetector.hpp"

namespace keepsift {

// The face analysis and the expression reading both place the landmarks of the same faces;
// the second asks for a box it has seen on the same pixels and gets the first answer.
class RememberingLandmarkDetector final : public LandmarkDetector {
public:
    static constexpr size_t remembered = 64;

    explicit RememberingLandmarkDetector(std::shared_ptr<const LandmarkDetector> detector);
    FaceShape landmarks(const cv::Mat& uprightGrey, const cv::Rect2d& face) const override;
    void forget() const;

private:
    struct Entry {
        std::uint64_t fingerprint;
        cv::Rect2d face;
        FaceShape shape;
    };

    std::shared_ptr<const LandmarkDetector> detector_;
    mutable std::mutex mutex_;
    mutable std::deque<Entry> entries_;
};

} // namespace keepsift
