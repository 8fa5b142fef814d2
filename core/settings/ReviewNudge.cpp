#include "core/settings/ReviewNudge.hpp"

namespace keepsift {
namespace {

constexpr std::array<std::int64_t, 7> values{0, 25, 50, 100, 200, 600, 1000};

} // namespace

std::int64_t rawValue(ReviewNudge nudge) {
    return values[static_cast<size_t>(nudge)];
}

std::optional<ReviewNudge> reviewNudgeFromRawValue(std::int64_t value) {
    for (size_t i = 0; i < values.size(); ++i)
        if (values[i] == value) return static_cast<ReviewNudge>(i);
    return std::nullopt;
}

std::array<ReviewNudge, 7> allReviewNudges() {
    std::array<ReviewNudge, 7> cases{};
    for (size_t i = 0; i < cases.size(); ++i)
        cases[i] = static_cast<ReviewNudge>(i);
    return cases;
}

bool isReached(ReviewNudge nudge, std::int64_t flagged) {
    return nudge != ReviewNudge::never && flagged >= rawValue(nudge);
}

} // namespace keepsift
