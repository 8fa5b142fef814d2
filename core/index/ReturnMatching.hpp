#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/index/ReviewState.hpp"
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
    // Its path gone in this very listing: a file listed with an entry of its own after the
    // review was made may be its new place, copied or linked there before the old name went.
    bool passesToListed = false;
    // When its review was made, by the index's count of listings.
    std::int64_t reviewListing = 0;
    // The decision it left with: a review of the user's is not lost to one of Keepsift's.
    ReviewState decision = ReviewState::pending;
    // Its file still at its path, holding other bytes: rewritten in place rather than gone.
    bool fileStays = false;
};

// Digests of the bytes of listed photographs, by identifier.
using ContentDigests = std::map<std::string, std::string>;

// A listed photograph that may be one that left: new to the listing, or listed with an entry
// of its own, first listed when `firstListing` says.
struct Arrival {
    const LibraryAsset* asset = nullptr;
    std::optional<std::int64_t> firstListing = std::nullopt;
    // Another name of a file listed with an entry of its own (a hard link made to it): that
    // photograph already, it takes no review but one of its own file's.
    bool secondName = false;
};

// When the departure's review was made, where it may pass to a file listed with an entry of
// its own: its bytes known, and its path gone in this very listing.
std::optional<std::int64_t> passingReview(const Departure& departure);

// The earlier of `earliest` and the departure's passing review.
std::optional<std::int64_t> earlierPassing(std::optional<std::int64_t> earliest,
                                           const Departure& departure);

// A review passes only to a file listed after it was made: a file new to the listing takes
// any, one listed with an entry of its own only a passing review (`review`, by the index's
// count of listings) made before the file was first listed. A copy the user saw beside the
// photograph keeps its own review, since a flag that passed to it could land on the last copy
// of the picture.
bool listedAfterReview(const Arrival& arrival, std::optional<std::int64_t> review);

// Whether the arrival may take the departure's review, by the rule above; a second name only
// that of a name of its own file.
bool mayTake(const Arrival& arrival, const Departure& departure);

// A listed photograph taken for a departed one: the same file, renamed, moved or back.
struct ReturnMatch {
    const LibraryAsset* arrival = nullptr;
    std::string departed;
};

// The arrivals that may be a departed photograph by what the library says of them: their file
// size is that of a departure whose digest is known and whose review they may take, whatever
// their times. A photograph of no known size never is, nor is a file at its own place for the
// photograph that left it in this very listing. Only these need their bytes read; ascending by
// identifier.
std::vector<std::string> returnCandidates(const std::vector<Arrival>& arrivals,
                                          const std::vector<Departure>& departures);

// Pairs arrivals with departures, one to one, where the arrival holds the bytes the departure
// was reviewed with (digested in `read`, of the same size) and may take its review. Among
// those, the same identifier pairs first, then the same file (one number on one drive: a
// rename or move). Where more of the rest could take the reviews of those bytes than there are
// reviews, any of them could be the one that left, and none pairs. Otherwise they pair by the
// longest common end of their paths (the same place below a moved folder, then the same file
// name), each the other's only best, then the last one left on each side. An arrival that
// more departures may be takes a review of the user's before one of Keepsift's whatever the
// paths, then the longest common end, a keep before a flag, and one whose file is gone before
// one rewritten in place; reviews of the user's that nothing tells apart are one decision. A
// flag by hand whose file is still at its place comes after Keepsift's own review: the arrival
// may hold the last copy of the picture. An arrival without a digest never pairs.
// The result does not depend on the order of arrivals and departures, and comes ascending by
// arrival identifier.
std::vector<ReturnMatch> matchReturns(const std::vector<Arrival>& arrivals,
                                      const std::vector<Departure>& departures,
                                      const ContentDigests& read);

} // namespace keepsift
