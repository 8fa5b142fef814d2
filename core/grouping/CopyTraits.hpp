#pragma once

#include <cstdint>

namespace keepsift {

// What the copy test reads of one photograph, laid out for the linking scan.
struct CopyTraits {
    std::int64_t area = 0;
    bool hasCamera = false;

    bool operator==(const CopyTraits&) const = default;
};

inline bool looksLikeCopy(CopyTraits copy, CopyTraits original, double ratio) {
    const bool metadataLost = original.hasCamera && !copy.hasCamera;
    if (original.area < 1 || metadataLost) return metadataLost;
    // A copy at least as large has a ratio of at least 1; skip the division then.
    if (ratio < 1 && copy.area >= original.area) return false;
    return static_cast<double>(copy.area) / static_cast<double>(original.area) <= ratio;
}

} // namespace keepsift
