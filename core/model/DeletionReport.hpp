#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/support/RawEnum.hpp"

namespace keepsift {

// Why a photograph of a confirmed delete stayed where it was.
enum class KeptReason {
    // The user declined the library's own confirmation.
    declined,
    // Its folder may not be written to.
    notWritable,
    // Its drive has no Trash that only the user may write to.
    noPrivateTrash,
    // The file is no longer the photograph that was reviewed.
    changedSinceReviewed,
    // Its bytes were to be compared with the reviewed ones and could not be read.
    unreadable,
    // Its drive's file status proves no bytes, and the bytes it was reviewed with are not
    // known yet: they are read first.
    unproven,
    // The Trash is on another device: the move would have been a copy.
    trashOnAnotherDevice,
    // Anything else that kept the move from happening.
    failed,
};
template <> struct RawValues<KeptReason> {
    static constexpr std::array<std::string_view, 8> names{
        "declined",   "notWritable", "noPrivateTrash",       "changedSinceReviewed",
        "unreadable", "unproven",    "trashOnAnotherDevice", "failed"};
};

struct KeptPhoto {
    std::string id;
    KeptReason reason = KeptReason::failed;

    bool operator==(const KeptPhoto&) const = default;
};

// What a delete did, photograph by photograph. A photograph named in neither list was not
// found in the library.
struct DeletionReport {
    // Moved to the Trash. One already gone when its turn came is in neither list.
    std::vector<std::string> deleted;
    std::vector<KeptPhoto> kept;

    bool operator==(const DeletionReport&) const = default;

    std::int64_t deletedCount() const { return static_cast<std::int64_t>(deleted.size()); }
    // Every photograph kept for the same reason.
    static DeletionReport allKept(const std::vector<std::string>& ids, KeptReason reason) {
        DeletionReport report;
        for (const auto& id : ids)
            report.kept.push_back({id, reason});
        return report;
    }
};

} // namespace keepsift
