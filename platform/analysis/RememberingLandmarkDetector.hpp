#pragma once

#include <cstdint>
#include <memory>

#include "platform/analysis/LandmarkDetector.hpp"
#include "platform/analysis/RecentAnswers.hpp"

namespace keepsift {

// The face analysis and the expression reading both place the landmarks of the same faces;
// the second asks for a box it has seen on the same pixels and gets the first answer.
class RememberingLandmarkDetector final : public LandmarkDetector {
public:
    static constexpr size_t remembered = 64;

    explicit RememberingLandmarkDetector(std::shared_ptr<const LandmarkDetector> detector);
    FaceShape landmarks(const cv::Mat& uprightGrey, const cv::Rect2d& face) const override;
    void forget() const { answers_.forget(); }

private:
    std::shared_ptr<const LandmarkDetector> detector_;
    RecentAnswers<std::pair<std::uint64_t, cv::Rect2d>, FaceShape> answers_{remembered};
};

} // namespace keepsift
