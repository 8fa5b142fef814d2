#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/model/LibraryAsset.hpp"
#include "core/support/Checked.hpp"

namespace keepsift {

// The files one step of reading in the background reads: a few, so that neither quitting nor
// measuring waits long for it.
struct ReadStep {
    static constexpr std::size_t filesPerStep = 16;
    static constexpr std::int64_t bytesPerStep = std::int64_t{64} << 20;

    std::vector<LibraryAsset> chosen;
    std::int64_t bytes = 0;

    bool full() const { return chosen.size() >= filesPerStep || bytes >= bytesPerStep; }
    void add(const LibraryAsset& asset) {
        chosen.push_back(asset);
        bytes = saturatingAdd(bytes, asset.fileSize);
    }
};

} // namespace keepsift
