#pragma once

#include <optional>
#include <string_view>

#include "core/support/RawEnum.hpp"

namespace keepsift {

struct PhotoSignals;

// Why a photograph is kept or flagged. The raw texts are a storage format.
enum class Reason {
    keptEveryoneSmiling,
    keptBestFaces,
    keptMoreFaces,
    keptBetterFramed,
    keptSharper,
    keptEarlierOfIdenticals,
    keptYoursAlready,
    keptFavourite,
    keptEdited,
    keptInAlbum,
    keptOriginal,
    keptOnlyOne,
    flaggedEyesClosed,
    flaggedNotSmiling,
    flaggedLookingAway,
    flaggedFacesHidden,
    flaggedBlurred,
    flaggedNearIdentical,
    flaggedSmallerCopy,
    flaggedCloseSecond,
};

template <> struct RawValues<Reason> {
    static constexpr std::array<std::string_view, 20> names{
        "keptEveryoneSmiling", "keptBestFaces",      "keptMoreFaces",
        "keptBetterFramed",    "keptSharper",        "keptEarlierOfIdenticals",
        "keptYoursAlready",    "keptFavourite",      "keptEdited",
        "keptInAlbum",         "keptOriginal",       "keptOnlyOne",
        "flaggedEyesClosed",   "flaggedNotSmiling",  "flaggedLookingAway",
        "flaggedFacesHidden",  "flaggedBlurred",     "flaggedNearIdentical",
        "flaggedSmallerCopy",  "flaggedCloseSecond",
    };
};

inline bool isKeepReason(Reason reason) {
    return reason <= Reason::keptOnlyOne;
}
// German exactly for "de", English for every other code.
std::string_view text(Reason reason, std::string_view language);
// keptFavourite for a favourite, else keptInAlbum for an album member, else none.
std::optional<Reason> userMarkReason(const PhotoSignals& signals);

} // namespace keepsift
