#include "Keepsift/review/ThumbnailState.hpp"

#include <algorithm>
#include <cmath>

namespace keepsift::app {

int ThumbnailState::pixelSize(double width, double height, double side, double scale) {
    const double largest = std::max({width, height, side, 0.0});
    return static_cast<int>(std::ceil(largest * scale / step)) * step;
}

bool ThumbnailState::acceptFull(int p, std::shared_ptr<const Image> picture) {
    if (!picture || p <= loadedFor_) return false;
    image_ = std::move(picture);
    loadedFor_ = p;
    return true;
}

bool ThumbnailState::acceptPreview(std::shared_ptr<const Image> picture) {
    if (!picture || image_) return false;
    image_ = std::move(picture);
    return true;
}

} // namespace keepsift::app
