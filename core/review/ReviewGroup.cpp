#include "core/review/ReviewGroup.hpp"

#include <algorithm>

namespace keepsift {

namespace {

std::vector<ReviewPhoto> photosWhere(const std::vector<ReviewPhoto>& photos, bool keeper) {
    std::vector<ReviewPhoto> chosen;
    std::copy_if(photos.begin(), photos.end(), std::back_inserter(chosen),
                 [keeper](const ReviewPhoto& p) { return p.isKeeper == keeper; });
    return chosen;
}

} // namespace

std::vector<ReviewPhoto> ReviewGroup::flaggedPhotos() const {
    return photosWhere(photos, false);
}

std::vector<ReviewPhoto> ReviewGroup::keepers() const {
    return photosWhere(photos, true);
}

bool ReviewGroup::hasFlagged() const {
    return std::any_of(photos.begin(), photos.end(), [](const auto& p) { return !p.isKeeper; });
}

bool ReviewGroup::isMostlyPortrait() const {
    const auto portrait = std::count_if(photos.begin(), photos.end(),
                                        [](const auto& p) { return p.pixelWidth < p.pixelHeight; });
    return 2 * static_cast<size_t>(portrait) > photos.size();
}

} // namespace keepsift
