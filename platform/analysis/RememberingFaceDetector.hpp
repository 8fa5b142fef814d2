#pragma once

#include <cstdint>
#include <memory>

#include "platform/analysis/FaceDetector.hpp"
#include "platform/analysis/RecentAnswers.hpp"

namespace keepsift {

// Answers a repeated question about the same pixels from memory. The face analysis and the
// expression reading both need the faces of one image; finding them is the dearest step of
// a measurement, so the second request reuses the first answer.
class RememberingFaceDetector final : public FaceDetector {
public:
    static constexpr size_t remembered = 8;

    explicit RememberingFaceDetector(std::shared_ptr<const FaceDetector> detector);
    std::vector<FaceDetection> detect(const cv::Mat& uprightGrey) const override;
    void forget() const { answers_.forget(); }

private:
    std::shared_ptr<const FaceDetector> detector_;
    RecentAnswers<std::pair<std::uint64_t, cv::Size>, std::vector<FaceDetection>> answers_{
        remembered};
};

// A 64-bit digest of the size and every pixel.
std::uint64_t pixelFingerprint(const cv::Mat& image);

} // namespace keepsift
