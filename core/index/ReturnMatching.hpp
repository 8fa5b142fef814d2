#pragma once

#include <map>
#include <string>
#include <string_view>
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
    // Of the bytes its review was made of; empty when unknown, and then it never pairs.
    std::string_view digest;
};

// Digests of the bytes of listed photographs, by identifier.
using ContentDigests = std::map<std::string, std::string>;

// A listed photograph taken for a departed one: the same file, renamed, moved or back.
struct ReturnMatch {
    const LibraryAsset* arrival = nullptr;
    std::string departed;
};

// The arrivals that may be a departed photograph by what the library says of them: the
// modification and creation times in whole seconds, pixel size, edited flag and file size
// agree with a departure whose digest is known. A photograph without a modification time or
// a file size never is. Only these need their bytes read; ascending by identifier.
std::vector<std::string> returnCandidates(const std::vector<const LibraryAsset*>& arrivals,
                                          const std::vector<Departure>& departures);

// Pairs arrivals with departures, one to one, when they are the same photograph: a candidate
// whose bytes, digested in `read`, are the departure's. Frames of a burst agree in all the
// library says of them, so an arrival without a digest read never pairs. Among
// equals, the same identifier pairs first, then the same file name where it is unique on
// both sides; a file renamed (the last one left on each side) only when it left in this
// very listing, since shots of one burst look alike but for their names. Anything still
// ambiguous stays apart.
// Linear in the number of arrivals and departures; the result does not depend on their
// order, and comes ascending by arrival identifier.
std::vector<ReturnMatch> matchReturns(const std::vector<const LibraryAsset*>& arrivals,
                                      const std::vector<Departure>& departures,
                                      const ContentDigests& read);

} // namespace keepsift
