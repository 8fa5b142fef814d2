#pragma once

#include <cstddef>
#include <vector>

#include "core/model/LibraryEnums.hpp"
#include "platform/library/PhotoLibraryPort.hpp"

namespace keepsift {

// Where the originals live, judged from a small sample spread evenly over the library,
// oldest first, asked one photograph at a time with network access refused.
class StorageProbe {
public:
    static constexpr std::size_t sampleLimit = 12;

    // Positions 0, stride, 2 x stride, ... below count, at most sampleLimit of them.
    static std::vector<std::size_t> samplePositions(std::size_t count);
    // Never throws: an empty or unlistable library, or a sample without a single answer,
    // is unknown.
    static LibraryStorage storageMode(PhotoLibraryPort& port);
};

} // namespace keepsift
