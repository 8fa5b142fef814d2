#include "platform/analysis/LandmarkModel.hpp"

namespace keepsift {

LandmarkModel::LandmarkModel(Loader load) : load_(std::move(load)) {}

std::shared_ptr<const LandmarkModel> LandmarkModel::fromFile(std::string path) {
    return std::make_shared<const LandmarkModel>(
        [path = std::move(path)]() -> std::shared_ptr<const LandmarkDetector> {
            return ShapeLandmarkDetector::load(path);
        });
}

// The lock is held while reading, so that threads asking meanwhile wait for this one reading
// instead of each reading the file.
std::shared_ptr<const LandmarkDetector> LandmarkModel::detector() const {
    std::lock_guard lock(mutex_);
    if (!read_) {
        auto loaded = load_();
        if (loaded) detector_ = std::make_shared<RememberingLandmarkDetector>(std::move(loaded));
        read_ = true;
    }
    return detector_;
}

bool LandmarkModel::isRead() const {
    std::lock_guard lock(mutex_);
    return read_;
}

void LandmarkModel::release() const {
    std::lock_guard lock(mutex_);
    detector_.reset();
    read_ = false;
}

void LandmarkModel::forgetRemembered() const {
    std::shared_ptr<const RememberingLandmarkDetector> detector;
    {
        std::lock_guard lock(mutex_);
        detector = detector_;
    }
    if (detector) detector->forget();
}

} // namespace keepsift
