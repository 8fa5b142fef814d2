#include "core/model/Decisions.hpp"

namespace keepsift {
namespace {

std::vector<PhotoDecision> withKeeperFlag(const std::vector<PhotoDecision>& all, bool keeper) {
    std::vector<PhotoDecision> out;
    for (const auto& d : all)
        if (d.isKeeper == keeper) out.push_back(d);
    return out;
}

} // namespace

std::vector<PhotoDecision> GroupDecision::keepers() const {
    return withKeeperFlag(decisions, true);
}
std::vector<PhotoDecision> GroupDecision::flagged() const {
    return withKeeperFlag(decisions, false);
}
std::optional<PhotoDecision> GroupDecision::topPick() const {
    if (decisions.empty()) return std::nullopt;
    return decisions.front();
}

} // namespace keepsift
