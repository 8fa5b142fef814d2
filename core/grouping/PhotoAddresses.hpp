#pragma once

#include <vector>

#include "core/model/PhotoSignals.hpp"

namespace keepsift {

// Working sets hold photographs by address; the signals themselves are never copied.
inline std::vector<const PhotoSignals*> addressesOf(const std::vector<PhotoSignals>& photos) {
    std::vector<const PhotoSignals*> out;
    out.reserve(photos.size());
    for (const auto& photo : photos)
        out.push_back(&photo);
    return out;
}

} // namespace keepsift
