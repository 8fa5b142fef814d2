#pragma once

#include <cstdint>
#include <vector>

#include "core/model/PhotoSignals.hpp"

namespace keepsift::bench {

struct LibraryShape {
    size_t photos = 100'000;
    size_t printLength = 512;
    double years = 10;
    double undatedBurstShare = 0.0;  // bursts whose files lost their dates
    double noCameraBurstShare = 0.2; // bursts without camera metadata
    double copyShare = 0.03;         // photographs that also have a smaller copy
    double faceShare = 1.0 / 3.0;    // photographs with faces
    std::uint32_t seed = 2026;
};

// A photo library as a phone fills it: bursts of 2 to 12 shots of one scene, hours apart,
// over the given years; some bursts without camera metadata, some photographs with a
// smaller metadata-less copy made within a month, faces on a share of the photographs.
std::vector<PhotoSignals> syntheticLibrary(const LibraryShape& shape);

} // namespace keepsift::bench
