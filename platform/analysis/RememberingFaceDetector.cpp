#include "platform/analysis/RememberingFaceDetector.hpp"

#include <cstring>

namespace keepsift {

RememberingFaceDetector::RememberingFaceDetector(std::shared_ptr<const FaceDetector> detector)
    : detector_(std::move(detector)) {}

std::vector<FaceDetection> RememberingFaceDetector::detect(const cv::Mat& uprightGrey) const {
    if (uprightGrey.empty()) return {};
    return answers_.answer({pixelFingerprint(uprightGrey), uprightGrey.size()},
                           [&] { return detector_->detect(uprightGrey); });
}

std::uint64_t pixelFingerprint(const cv::Mat& image) {
    constexpr std::uint64_t prime = 0x100000001B3ULL;
    std::uint64_t hash = 0xCBF29CE484222325ULL;
    auto mix = [&](std::uint64_t word) { hash = (hash ^ word) * prime; };
    mix(static_cast<std::uint64_t>(image.cols));
    mix(static_cast<std::uint64_t>(image.rows));
    const size_t rowBytes = static_cast<size_t>(image.cols) * image.elemSize();
    for (int y = 0; y < image.rows; ++y) {
        const std::uint8_t* row = image.ptr<std::uint8_t>(y);
        size_t i = 0;
        for (; i + 8 <= rowBytes; i += 8) {
            std::uint64_t word;
            std::memcpy(&word, row + i, 8);
            mix(word);
        }
        for (; i < rowBytes; ++i)
            mix(row[i]);
    }
    return hash;
}

} // namespace keepsift
