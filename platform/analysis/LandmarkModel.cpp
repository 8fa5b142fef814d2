#include "platform/analysis/LandmarkModel.hpp"

namespace keepsift {

LandmarkModel::LandmarkModel(Loader load) : load_(std::move(load)) {}

std::shared_ptr<const LandmarkModel> LandmarkModel::fromFile(std::string path) {
    return std::make_shared<const LandmarkModel>(
        [path = std::move(path)]() -> std::shared_ptr<const LandmarkDetector> {
            return ShapeLandmarkDetector::load(path);
        });
}

const LandmarkDetector* LandmarkModel::detector() const {
    std::call_once(once_, [this] {
        if (auto loaded = load_())
            detector_ = std::make_shared<RememberingLandmarkDetector>(std::move(loaded));
        read_.store(true, std::memory_order_release);
    });
    return detector_.get();
}

void LandmarkModel::forgetRemembered() const {
    if (isRead() && detector_) detector_->forget();
}

} // namespace keepsift
