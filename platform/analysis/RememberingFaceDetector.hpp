#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

#include "platform/analysis/FaceDetector.hpp"

namespace keepsift {

// Answers a repeated question about the same pixels from memory. The face analysis and the
// expression reading both need the faces of one image; finding them is the dearest step of
// a measurement, so the second request reuses the first answer. Only the last few images
// are kept, and the lock is never held while detecting.
class RememberingFaceDetector final : public FaceDetector {
public:
    static constexpr size_t remembered = 8;

    explicit RememberingFaceDetector(std::shared_ptr<const FaceDetector> detector);
    std::vector<FaceDetection> detect(const cv::Mat& uprightGrey) const override;
    void forget() const;

    // A 64-bit digest of the size and every pixel.
    static std::uint64_t fingerprint(const cv::Mat& grey);

private:
    struct Entry {
        std::uint64_t fingerprint;
        cv::Size size;
        std::vector<FaceDetection> faces;
    };

    std::shared_ptr<const FaceDetector> detector_;
    mutable std::mutex mutex_;
    mutable std::deque<Entry> entries_;
};

} // namespace keepsift
