#include "core/scenarios/AppSnapshot.hpp"

#include <algorithm>

namespace keepsift {
namespace {

std::int64_t countDecisions(const std::vector<GroupDecision>& groups, bool keepers) {
    std::int64_t count = 0;
    for (const auto& group : groups)
        for (const auto& decision : group.decisions)
            count += decision.isKeeper == keepers;
    return count;
}

} // namespace

std::int64_t AppSnapshot::keptCount() const {
    return countDecisions(decisions, true);
}

std::int64_t AppSnapshot::flaggedCount() const {
    return countDecisions(decisions, false);
}

std::int64_t AppSnapshot::groupsToReview() const {
    return std::count_if(decisions.begin(), decisions.end(), [](const GroupDecision& group) {
        return std::any_of(group.decisions.begin(), group.decisions.end(),
                           [](const PhotoDecision& decision) { return !decision.isKeeper; });
    });
}

} // namespace keepsift
