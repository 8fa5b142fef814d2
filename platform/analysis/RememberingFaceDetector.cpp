#include "platform/analysis/RememberingFaceDetector.hpp"

#include <algorithm>
#include <cstring>

namespace keepsift {

RememberingFaceDetector::RememberingFaceDetector(std::shared_ptr<const FaceDetector> detector)
    : detector_(std::move(detector)) {}

std::uint64_t RememberingFaceDetector::fingerprint(const cv::Mat& grey) {
    constexpr std::uint64_t prime = 0x100000001B3ULL;
    std::uint64_t hash = 0xCBF29CE484222325ULL;
    auto mix = [&](std::uint64_t word) { hash = (hash ^ word) * prime; };
    mix(static_cast<std::uint64_t>(grey.cols));
    mix(static_cast<std::uint64_t>(grey.rows));
    const size_t rowBytes = static_cast<size_t>(grey.cols) * grey.elemSize();
    for (int y = 0; y < grey.rows; ++y) {
        const std::uint8_t* row = grey.ptr<std::uint8_t>(y);
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

void RememberingFaceDetector::forget() const {
    std::lock_guard lock(mutex_);
    entries_.clear();
}

std::vector<FaceDetection> RememberingFaceDetector::detect(const cv::Mat& uprightGrey) const {
    if (uprightGrey.empty()) return {};
    std::uint64_t key = fingerprint(uprightGrey);
    {
        std::lock_guard lock(mutex_);
        auto found = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& entry) {
            return entry.fingerprint == key && entry.size == uprightGrey.size();
        });
        if (found != entries_.end()) return found->faces;
    }
    auto faces = detector_->detect(uprightGrey);
    std::lock_guard lock(mutex_);
    entries_.push_front({key, uprightGrey.size(), faces});
    if (entries_.size() > remembered) entries_.pop_back();
    return faces;
}

} // namespace keepsift
