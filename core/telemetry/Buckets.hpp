#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "core/settings/ReviewNudge.hpp"
#include "core/support/RawEnum.hpp"

namespace keepsift {

// Coarse buckets and fixed words: a usage signal never carries a count, a name or a date.
// The raw texts are what goes on the wire.

enum class LibraryBucket { empty, tiny, small, medium, large, huge };
template <> struct RawValues<LibraryBucket> {
    static constexpr std::array<std::string_view, 6> names{"0",      "1-999",   "1k-5k",
                                                           "5k-20k", "20k-50k", "50k+"};
};

enum class GroupBucket { none, few, some, many, lots };
template <> struct RawValues<GroupBucket> {
    static constexpr std::array<std::string_view, 5> names{"0", "1-9", "10-99", "100-999", "1000+"};
};

// The same texts as GroupBucket, kept a distinct type so the two cannot be swapped.
enum class FlaggedBucket { none, few, some, many, lots };
template <> struct RawValues<FlaggedBucket> {
    static constexpr std::array<std::string_view, 5> names{"0", "1-9", "10-99", "100-999", "1000+"};
};

enum class DeleteBucket { one, handful, some, many, lots };
template <> struct RawValues<DeleteBucket> {
    static constexpr std::array<std::string_view, 5> names{"1", "2-9", "10-49", "50-199", "200+"};
};

enum class SizeBucket { unknown, tiny, small, medium, large };
template <> struct RawValues<SizeBucket> {
    static constexpr std::array<std::string_view, 5> names{"unknown", "0-100MB", "100MB-1GB",
                                                           "1-10GB", "10GB+"};
};

enum class OverrideBucket { none, one, few, several, many };
template <> struct RawValues<OverrideBucket> {
    static constexpr std::array<std::string_view, 5> names{"0", "1", "2-5", "6-20", "20+"};
};

enum class NudgeThreshold { never, at25, at50, at100, at200, at600, at1000 };
template <> struct RawValues<NudgeThreshold> {
    static constexpr std::array<std::string_view, 7> names{"never", "25",  "50",  "100",
                                                           "200",   "600", "1000"};
};

enum class LanguageTag { en, de, other };
template <> struct RawValues<LanguageTag> {
    static constexpr std::array<std::string_view, 3> names{"en", "de", "other"};
};

enum class SettingName {
    scanning,
    mainsOnly,
    reviewNudge,
    scanScope,
    menuBarIcon,
    launchAtLogin,
    updates,
    telemetry,
    language
};
template <> struct RawValues<SettingName> {
    static constexpr std::array<std::string_view, 9> names{
        "scanning",      "mainsOnly", "reviewNudge", "scanScope", "menuBarIcon",
        "launchAtLogin", "updates",   "telemetry",   "language"};
};

LibraryBucket libraryBucket(std::int64_t photos);
GroupBucket groupBucket(std::int64_t groups);
FlaggedBucket flaggedBucket(std::int64_t flagged);
// A batch that deleted nothing has no bucket: it is not reported.
std::optional<DeleteBucket> deleteBucket(std::int64_t deleted);
// Decimal units; zero (or a negative total) is "unknown".
SizeBucket sizeBucket(std::int64_t bytes);
OverrideBucket overrideBucket(std::int64_t count);
NudgeThreshold nudgeThreshold(ReviewNudge nudge);
// Exact after lower-casing: "DE" is de, "de-DE" is other.
LanguageTag languageTag(std::string_view code);

} // namespace keepsift
