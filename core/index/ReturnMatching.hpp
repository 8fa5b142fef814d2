#pragma once

#include <string>
#include <vector>

#include "core/model/LibraryAsset.hpp"

namespace keepsift {

// A photograph whose entry has left the library, now or in an earlier listing: its
// identifier and the asset record its entry holds.
struct Departure {
    std::string id;
    const LibraryAsset* asset = nullptr;
    // Left in the listing being reconciled, rather than in an earlier one.
    bool leftNow = false;
};

// A listed photograph taken for a departed one: the same file, renamed, moved or back.
struct ReturnMatch {
    const LibraryAsset* arrival = nullptr;
    std::string departed;
};

// Pairs arrivals with departures, one to one, by what the library says of the bytes: the
// modification and creation times in whole seconds, pixel size, edited flag and file size
// must all agree, and a photograph without a modification time is never paired. Among
// equals, the same identifier pairs first, then the same file name where it is unique on
// both sides; a file renamed (the last one left on each side) only when it left in this
// very listing, since shots of one burst look alike but for their names. Anything still
// ambiguous stays apart.
// Linear in the number of arrivals and departures; the result does not depend on their
// order, and comes ascending by arrival identifier.
std::vector<ReturnMatch> matchReturns(const std::vector<const LibraryAsset*>& arrivals,
                                      const std::vector<Departure>& departures);

} // namespace keepsift
