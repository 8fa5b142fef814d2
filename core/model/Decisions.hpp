#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/model/PhotoGroup.hpp"
#include "core/model/Reason.hpp"

namespace keepsift {

struct PhotoDecision {
    std::string digest;
    std::string filename;
    bool isKeeper = false;
    Reason reason = Reason::keptOnlyOne;
    double score = 0;

    bool operator==(const PhotoDecision&) const = default;
};

struct GroupDecision {
    std::string groupID;
    PhotoGroup::Kind kind = PhotoGroup::Kind::solitary;
    std::vector<PhotoDecision> decisions; // in rank order

    std::vector<PhotoDecision> keepers() const;
    std::vector<PhotoDecision> flagged() const;
    std::optional<PhotoDecision> topPick() const;

    bool operator==(const GroupDecision&) const = default;
};

} // namespace keepsift
