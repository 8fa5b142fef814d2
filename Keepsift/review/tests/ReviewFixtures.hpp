#pragma once

#include <string>
#include <vector>

#include "core/review/ReviewList.hpp"

namespace keepsift::app::testing {

// A photograph named by its identifier; `keeper` false flags it.
inline ReviewPhoto photo(std::string id, bool keeper, bool users = false) {
    ReviewPhoto p;
    p.assetID = id;
    p.filename = id + ".jpg";
    p.isKeeper = keeper;
    p.isUsers = users;
    p.pixelWidth = 4000;
    p.pixelHeight = 3000;
    p.fileSize = 1000;
    p.reason = keeper ? Reason::keptSharper : Reason::flaggedBlurred;
    return p;
}

inline ReviewGroup group(std::string id, std::vector<ReviewPhoto> photos) {
    ReviewGroup g;
    g.id = std::move(id);
    g.photos = std::move(photos);
    return g;
}

// g1: a keeper and two flagged; g2: keepers only; g3: a keeper and one flagged.
inline ReviewList threeGroups() {
    ReviewList list;
    list.groups = {group("g1", {photo("a", true), photo("b", false), photo("c", false)}),
                   group("g2", {photo("d", true), photo("e", true)}),
                   group("g3", {photo("f", true), photo("g", false)})};
    return list;
}

} // namespace keepsift::app::testing
