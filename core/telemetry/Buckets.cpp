#include "core/telemetry/Buckets.hpp"

#include <string>

#include "core/support/Unicode.hpp"

namespace keepsift {
namespace {

// The step shared by the group and flagged buckets: 0, 1-9, 10-99, 100-999, 1000+.
int decadeStep(std::int64_t n) {
    if (n < 1) return 0;
    if (n < 10) return 1;
    if (n < 100) return 2;
    if (n < 1000) return 3;
    return 4;
}

} // namespace

LibraryBucket libraryBucket(std::int64_t photos) {
    if (photos < 1) return LibraryBucket::empty;
    if (photos < 1'000) return LibraryBucket::tiny;
    if (photos < 5'000) return LibraryBucket::small;
    if (photos < 20'000) return LibraryBucket::medium;
    if (photos < 50'000) return LibraryBucket::large;
    return LibraryBucket::huge;
}

GroupBucket groupBucket(std::int64_t groups) {
    return static_cast<GroupBucket>(decadeStep(groups));
}

FlaggedBucket flaggedBucket(std::int64_t flagged) {
    return static_cast<FlaggedBucket>(decadeStep(flagged));
}

std::optional<DeleteBucket> deleteBucket(std::int64_t deleted) {
    if (deleted < 1) return std::nullopt;
    if (deleted == 1) return DeleteBucket::one;
    if (deleted < 10) return DeleteBucket::handful;
    if (deleted < 50) return DeleteBucket::some;
    if (deleted < 200) return DeleteBucket::many;
    return DeleteBucket::lots;
}

SizeBucket sizeBucket(std::int64_t bytes) {
    if (bytes < 1) return SizeBucket::unknown;
    if (bytes < 100'000'000) return SizeBucket::tiny;
    if (bytes < 1'000'000'000) return SizeBucket::small;
    if (bytes < 10'000'000'000) return SizeBucket::medium;
    return SizeBucket::large;
}

OverrideBucket overrideBucket(std::int64_t count) {
    if (count < 1) return OverrideBucket::none;
    if (count == 1) return OverrideBucket::one;
    if (count <= 5) return OverrideBucket::few;
    if (count <= 20) return OverrideBucket::several;
    return OverrideBucket::many;
}

NudgeThreshold nudgeThreshold(ReviewNudge nudge) {
    const std::string text =
        nudge == ReviewNudge::never ? std::string("never") : std::to_string(rawValue(nudge));
    return fromString<NudgeThreshold>(text).value_or(NudgeThreshold::never);
}

LanguageTag languageTag(std::string_view code) {
    const std::string lower = unicode::lowercased(code);
    if (lower == "en") return LanguageTag::en;
    if (lower == "de") return LanguageTag::de;
    return LanguageTag::other;
}

} // namespace keepsift
