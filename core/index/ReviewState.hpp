#pragma once

#include "core/support/RawEnum.hpp"

namespace keepsift {

enum class ReviewState { pending, keeper, flagged, keptByHand, flaggedByHand, deleted, skipped };
template <> struct RawValues<ReviewState> {
    static constexpr std::array<std::string_view, 7> names{
        "pending", "keeper", "flagged", "keptByHand", "flaggedByHand", "deleted", "skipped"};
};

// Decisions made by hand outlast every regroup.
inline bool isSetByHand(ReviewState state) {
    return state == ReviewState::keptByHand || state == ReviewState::flaggedByHand;
}
inline bool isFlagged(ReviewState state) {
    return state == ReviewState::flagged || state == ReviewState::flaggedByHand;
}

} // namespace keepsift
