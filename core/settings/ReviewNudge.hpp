#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace keepsift {

// The menu-bar nudge threshold; the value is the number of flagged photographs.
enum class ReviewNudge { never, at25, at50, at100, at200, at600, at1000 };

std::int64_t rawValue(ReviewNudge nudge);
// No case for an integer outside the table.
std::optional<ReviewNudge> reviewNudgeFromRawValue(std::int64_t value);
std::array<ReviewNudge, 7> allReviewNudges();
bool isReached(ReviewNudge nudge, std::int64_t flagged);

} // namespace keepsift
