#include <string_view>
#include <unordered_set>

#include "core/engine/ScanEngine.hpp"
#include "core/support/Logger.hpp"

namespace keepsift {
namespace {

// Each file is checked against its own review right before it moves, by the status its
// digest was read with where that still stands; one reviewed before its digest was kept is
// judged by how the library last saw it.
ReviewedContents reviewedContentsOf(const std::vector<IndexEntry>& batch) {
    ReviewedContents reviewed;
    for (const auto& entry : batch)
        if (entry.contentDigest)
            reviewed.emplace(entry.asset.id,
                             ReviewedBytes{*entry.contentDigest, entry.asset.fileSize,
                                           entry.digestedAs, entry.companionsAs});
    return reviewed;
}

// Photographs whose files no digest or status proves to hold the bytes reviewed stay until
// they are measured again.
DeletionReport keptUnmeasured(const std::vector<std::string>& ids) {
    const Logger log("com.ambervale.keepsift", "engine");
    for (const auto& id : ids)
        log.notice("not moved: " + id + " changed on disk after its review, measured again first");
    return DeletionReport::allKept(ids, KeptReason::unproven);
}

// Whether the library kept the photograph for bytes other than those reviewed. Only the
// refusals that speak of the bytes are named: any other says nothing of the picture.
bool keptAsChanged(KeptReason reason) {
    return reason == KeptReason::changedSinceReviewed;
}

} // namespace

// The flagged photographs the review window counts: those of the groups it shows. A flag
// left alone in its group (the rest of it gone) is not moved unseen.
std::vector<IndexEntry>
ScanEngine::deleteBatchEntriesLocked(const std::optional<std::set<std::string>>& groups) const {
    std::unordered_set<std::string_view> shown;
    for (const auto& group : work_.reviewList(index_.ignoredGroups).groups)
        if (!groups || groups->count(group.id)) shown.insert(group.id);
    std::vector<IndexEntry> batch; // the map keeps them in ascending order of identifier
    for (const auto& [id, entry] : index_.entries)
        if (isFlagged(entry.state) && entry.groupID && shown.contains(*entry.groupID))
            batch.push_back(entry);
    return batch;
}

DeletionReport ScanEngine::deleteBatch(const std::optional<std::set<std::string>>& groups,
                                       std::int64_t expected, bool force) {
    Lock lock(mutex_);
    if (!writesToLibrary_) return {};
    // Taking out the links of what it moves, the delete writes the album too: after the
    // write on its way, and alone; decisions by hand made meanwhile write their own links
    // once its turn ends. The batch is formed once the turn is taken, with every decision
    // before it.
    handDecisionsDone_.wait(lock, [this] { return !albumTurnTaken_; });
    const AlbumTurn turn(*this);
    const auto batch = deleteBatchEntriesLocked(groups);
    const auto size = static_cast<std::int64_t>(batch.size());
    if (!force && size != expected) throw BatchMoved(expected, size);
    if (batch.empty()) return {};
    std::vector<std::string> ids, unmeasured;
    for (const auto& entry : batch)
        (entry.measureAgain ? unmeasured : ids).push_back(entry.asset.id);
    DeletionReport report = keptUnmeasured(unmeasured);
    if (ids.empty()) {
        readUnprovenFirstLocked(report);
        return report;
    }
    const auto reviewed = reviewedContentsOf(batch);
    beginTrashingLocked(lock, ids);
    try {
        auto moved = unlocked(lock, [&] { return library_->deleteAssets(ids, reviewed); });
        report.deleted = std::move(moved.deleted);
        report.kept.insert(report.kept.end(), moved.kept.begin(), moved.kept.end());
    } catch (...) {
        endTrashingLocked(lock);
        throw;
    }
    // Only what left the library is recorded; the rest keeps its flags.
    const std::set<std::string> deleted(report.deleted.begin(), report.deleted.end());
    std::vector<IndexEntry> done;
    for (const auto& entry : batch)
        if (deleted.count(entry.asset.id)) done.push_back(entry);
    applyDeletedBatchLocked(done);
    if (trashing_ && trashing_->batch) keepInReviewLocked(batch, deleted);
    readUnprovenFirstLocked(report);
    const bool changed = measureChangedAgainLocked(report);
    endTrashingLocked(lock);
    if (changed) markDirtyLocked(lock);
    return report;
}

// Bytes the delete could not prove are read before any other, so that the next delete can
// move their photographs: a photograph's own, or, where those are known, its companions'.
void ScanEngine::readUnprovenFirstLocked(const DeletionReport& report) {
    for (const auto& kept : report.kept) {
        if (kept.reason != KeptReason::unproven) continue;
        const auto found = index_.entries.find(kept.id);
        if (found != index_.entries.end() && found->second.contentDigest)
            digestFill_.companionsUnread.insert(kept.id);
        readFirstLocked(kept.id);
    }
}

void ScanEngine::readFirstLocked(const std::string& id) {
    digestFill_.failed.erase(id);
    digestFill_.away.erase(id);
    if (digestFill_.orderedAt == mutationGeneration_) digestFill_.upcoming.push_front(id);
}

// A photograph refused as changed, also where its status hides the change from every listing,
// is measured again before any other, and not moved until then. Its review stands where the
// picture measures as before, hand decisions with it; another picture is reviewed afresh. The
// refusal says nothing yet of its link.
bool ScanEngine::measureChangedAgainLocked(const DeletionReport& report) {
    bool changed = false;
    for (const auto& kept : report.kept) {
        if (!keptAsChanged(kept.reason)) continue;
        const auto found = index_.entries.find(kept.id);
        if (found == index_.entries.end() || !found->second.signals ||
            found->second.state == ReviewState::deleted)
            continue;
        changeEntryLocked(kept.id, [&] {
            found->second.takeDigest(std::nullopt);
            found->second.measureAgain = true;
        });
        readFirstLocked(kept.id);
        changed = true;
    }
    return changed;
}

// A group that still holds a photograph to discard, one the batch could not move, stays up
// for review rather than ignored with the rest of the batch's groups.
void ScanEngine::keepInReviewLocked(const std::vector<IndexEntry>& batch,
                                    const std::set<std::string>& deleted) {
    for (const auto& entry : batch) {
        if (deleted.count(entry.asset.id) || !entry.groupID) continue;
        auto current = index_.entries.find(entry.asset.id);
        if (current != index_.entries.end() && isFlagged(current->second.state))
            index_.ignoredGroups.erase(*entry.groupID);
    }
}

// The intent is stored before the first photograph moves, so that a batch cut short is still
// known for what it was; a listing begun before it is fetched again. A batch whose intent
// cannot be stored is refused: nothing moves.
void ScanEngine::beginTrashingLocked(Lock& lock, const std::vector<std::string>& ids) {
    trashing_ = TrashIntent{{ids.begin(), ids.end()}, std::nullopt, true};
    intentSpent_ = false;
    ++trashingMarks_;
    const auto text = trashing_->encoded();
    const auto failure = unlocked(lock, [&]() -> std::optional<std::string> {
        try {
            storage_->write(text, std::string(TrashIntent::fileName));
            return std::nullopt;
        } catch (const std::exception& error) {
            return error.what();
        }
    });
    if (!failure) return;
    Logger("com.ambervale.keepsift", "engine")
        .error("delete refused: the batch's intent is not stored: " + *failure);
    trashing_.reset();
    ++trashingMarks_;
    throw ReviewNotSaved(*failure);
}

// A batch that recorded a deletion is saved, and its intent goes with that save. One that
// recorded none (declined, refused, failed) leaves the index, the journal and the change
// counter as they were: only its intent goes.
void ScanEngine::endTrashingLocked(Lock& lock) {
    const bool recorded = trashing_ && trashing_->batch;
    trashing_.reset();
    ++trashingMarks_;
    if (recorded) {
        intentSpent_ = true;
        saveLocked(lock);
        return;
    }
    unlocked(lock, [&] {
        try {
            storage_->remove(std::string(TrashIntent::fileName));
        } catch (const std::exception& error) {
            Logger("com.ambervale.keepsift", "engine")
                .error(std::string("the batch's intent stays: ") + error.what());
        }
    });
}

// Photographs of the batch on its way to the Trash, or of one an earlier launch left
// unfinished, that the listing no longer holds were deleted by Keepsift, unless the listing
// holds them elsewhere: moved, not trashed, they keep their review.
void ScanEngine::applyTrashedLocked(const std::vector<LibraryAsset>& assets,
                                    const std::set<std::string>& away,
                                    const ContentDigests& digests) {
    if (!trashing_) return;
    std::unordered_set<std::string_view> listed;
    listed.reserve(assets.size());
    for (const auto& asset : assets)
        listed.insert(asset.id);
    std::vector<IndexEntry> gone;
    for (const auto& id : trashing_->ids) {
        auto found = index_.entries.find(id);
        if (found != index_.entries.end() && found->second.state != ReviewState::deleted &&
            !listed.contains(id))
            gone.push_back(found->second);
    }
    if (!gone.empty()) {
        const auto moved = index_.foundElsewhere(assets, away, digests);
        std::erase_if(gone,
                      [&](const IndexEntry& entry) { return moved.contains(entry.asset.id); });
    }
    applyDeletedBatchLocked(gone);
    if (trashing_->inFlight) return;
    trashing_.reset();
    intentSpent_ = true;
}

std::int64_t ScanEngine::batchNumberLocked() {
    if (!trashing_) return journal_.nextBatch();
    if (!trashing_->batch) trashing_->batch = journal_.nextBatch();
    return *trashing_->batch;
}

// Entries already recorded (by a reconciliation in the middle of the batch) are left alone.
void ScanEngine::applyDeletedBatchLocked(const std::vector<IndexEntry>& batch) {
    const Date now = clock_->now();
    std::optional<std::int64_t> number;
    std::set<std::string> groups;
    for (const auto& entry : batch) {
        const auto& id = entry.asset.id;
        auto current = index_.entries.find(id);
        if (current == index_.entries.end() || current->second.state == ReviewState::deleted)
            continue;
        if (!number) number = batchNumberLocked();
        journal_.record(ReviewJournal::Event::deleted, current->second, now, *number);
        changeEntryLocked(id, [&] { index_.setState(ReviewState::deleted, id, now); });
        if (entry.groupID) groups.insert(*entry.groupID);
    }
    if (!number) return;
    ++mutationGeneration_;
    // The rest of each group is not decided again.
    index_.addIgnoredGroups(groups);
}

} // namespace keepsift
