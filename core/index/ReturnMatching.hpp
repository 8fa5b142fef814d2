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
    // A review of the user's (a decision by hand, a group kept whole) whose file left its path
    // in this very listing: a photograph listed with an entry of its own may take it over.
    bool passesToListed = false;
};

// Digests of the bytes of listed photographs, by identifier.
using ContentDigests = std::map<std::string, std::string>;

// A listed photograph that may be one that left. One listed with an entry of its own, which
// no decision of the user's holds, may be the new place of a photograph moved by a link before
// its old name was removed: it takes only a review of the user's that left in this very
// listing, since an automatic one is its own already, only as the same file, and only where no
// file new to the listing holds the same bytes. A copy listed beside the photograph keeps its
// own review: a flag that passed to it could land on the last copy of the picture.
struct Arrival {
    const LibraryAsset* asset = nullptr;
    bool hasEntry = false;
};

// The same file under two names, by its number, both known: a hard link.
bool sameFileNumber(const LibraryAsset& a, const LibraryAsset& b);

// A listed photograph taken for a departed one: the same file, renamed, moved or back.
struct ReturnMatch {
    const LibraryAsset* arrival = nullptr;
    std::string departed;
};

// The arrivals that may be a departed photograph by what the library says of them: their file
// size is that of a departure whose digest is known, whatever their times. A photograph of no
// known size never is, nor is a file at its own place for the photograph that left it in this
// very listing. Only these need their bytes read; ascending by identifier.
std::vector<std::string> returnCandidates(const std::vector<const LibraryAsset*>& arrivals,
                                          const std::vector<Departure>& departures);

// Pairs arrivals with departures, one to one, when they are the same photograph: a candidate
// whose bytes, digested in `read`, are the departure's, of the same size. Frames of a burst
// may agree in all the library says of them, so an arrival without a digest never pairs. Among
// equals, the same identifier pairs first; where more files remain than departures, any of
// them could be the one that left, and none pairs. Then the same file name pairs where it is
// unique on both sides; a file renamed (the last one left on each side) only when it left in
// this very listing, since shots of one burst look alike but for their names. Anything still
// ambiguous stays apart.
// Linear in the number of arrivals and departures; the result does not depend on their
// order, and comes ascending by arrival identifier.
std::vector<ReturnMatch> matchReturns(const std::vector<Arrival>& arrivals,
                                      const std::vector<Departure>& departures,
                                      const ContentDigests& read);

} // namespace keepsift
