#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/index/ReviewState.hpp"
#include "core/model/LibraryAsset.hpp"
#include "core/model/LibraryEnums.hpp"
#include "core/model/PhotoSignals.hpp"
#include "core/model/Reason.hpp"
#include "core/model/ReviewedBytes.hpp"

namespace keepsift {

// One photograph of the library index: what the library says, what was measured, and
// what the review made of it.
struct IndexEntry {
    LibraryAsset asset;
    std::optional<PhotoSignals> signals;
    ReviewState state = ReviewState::pending;
    std::optional<std::string> groupID;
    std::optional<Reason> reason;
    std::optional<SkipReason> skip;
    std::optional<Date> decidedAt;
    bool needsOriginal = false;
    // What the review had made of a photograph that left the library (its entry `deleted`
    // since), so that the same photograph coming back gets it again. Never on an entry
    // Keepsift itself deleted.
    std::optional<ReviewState> formerState;
    std::optional<Date> formerDecidedAt;
    // A digest of the bytes of the file that was measured: a photograph arriving elsewhere
    // takes this entry over only with the same bytes. None when measured before it was kept.
    std::optional<std::string> contentDigest;
    // The file's status as that digest was read, where it proves those bytes; absent in
    // indexes of earlier builds.
    std::optional<DigestedStatus> digestedAs;
    // By the index's count of listings that found new files: the one that first found this
    // file, and the one current when its review was last made. A review passes only to a file
    // listed after it; 0 in indexes of earlier builds, so that nothing passes to such a file.
    std::int64_t firstListing = 0;
    std::int64_t reviewListing = 0;
    // Its companions as that digest was read, what the delete checks them against: their
    // statuses, with their digests where a status proves nothing; empty in indexes of earlier
    // builds, whose companions are checked as the batch began where their statuses prove them.
    CompanionStatuses companionsAs;
    // Measured, with no digest of its bytes, and its file since listed with a status that does
    // not prove them the same (moved, or never kept): its review stands only once the file,
    // measured again, gives the measurement stored.
    bool measureAgain = false;

    // A new photograph: pending, nothing measured or decided.
    static IndexEntry fresh(LibraryAsset asset);

    bool needsSignals() const;
    // Its file no longer holds the bytes measured: nothing measured or decided stays, and it
    // waits to be measured and decided afresh.
    void dropMeasurement();
    bool awaitsOriginal() const;
    // Not decided yet, and linked in the rejects album: by the user, or left by an earlier
    // photograph at its path.
    bool linkedUndecided() const { return state == ReviewState::pending && asset.isRejected; }
    // Its measurement names the photograph as its asset does now: decisions and groups are
    // made out by that name, so one that followed a rename or move is reached at its new place.
    void takeIdentity();
    // The digest read of its file with the status proving it, or neither: a status never
    // stands for other bytes than its own digest's.
    void takeDigest(std::optional<DigestRead> read);
    // The same bytes read again after a change of the file's status alone: the new status
    // proves them, and a companion whose size, time and number stand as recorded is taken as
    // it is now, as a `chmod -R` leaves it, its recorded digest kept where there is one; one
    // that moved keeps what was reviewed, and one not recorded (an earlier index) is taken.
    void takeStatusReadAgain(const DigestRead& read);
    // The status its digest was read with is most often the one its file is listed with: the
    // index then keeps only that status's modification time, under a key of its own that
    // earlier builds pass over, and the rest is the asset's. None where any of it differs.
    std::optional<std::int64_t> digestedAsListedButModified() const;
    // That status again, from the asset as read; none where the asset holds no file.
    void takeDigestedAsListed(std::int64_t modifiedNs);
    static constexpr std::string_view digestedModifiedKey = "digestedModifiedNs";

    Json toJson(DateForm form) const;
    // "needsOriginal" is lenient; any other bad key throws JsonError.
    static IndexEntry fromJson(const Json& json, DateForm form);

    bool operator==(const IndexEntry&) const = default;
};

} // namespace keepsift
