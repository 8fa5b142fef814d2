#include "core/engine/ScanEngine.hpp"
#include "core/grouping/KeeperSelector.hpp"
#include "core/grouping/PhotoOrders.hpp"
#include "core/grouping/Provenance.hpp"
#include "core/model/DeletionIncomplete.hpp"

namespace keepsift {

void ScanEngine::ignore(const std::string& groupID) {
    Lock lock(mutex_);
    const auto flagged = index_.ignoreGroup(groupID, clock_->now());
    work_.rebuild(index_);
    ++mutationGeneration_;
    if (!flagged.empty() && writesToLibrary_) {
        try {
            unlocked(lock, [&] { library_->setRejected(flagged, false); });
        } catch (...) {
            notePendingLocked();
            throw;
        }
        ++mutationGeneration_;
        setRejectedFlagsLocked(flagged, false);
    }
    saveLocked(lock);
}

void ScanEngine::reset(const std::string& groupID) {
    Lock lock(mutex_);
    index_.resetGroup(groupID, clock_->now());
    work_.rebuild(index_);
    ++mutationGeneration_;
    regroupLocked(lock);
    syncRejectsAlbumLocked(lock);
}

void ScanEngine::override(const std::string& photoID, bool keep) {
    Lock lock(mutex_);
    auto found = index_.entries.find(photoID);
    // A stale review window must not bring a deleted photograph back as flagged.
    if (found == index_.entries.end() || found->second.state == ReviewState::deleted) return;
    const Date now = clock_->now();
    changeEntryLocked(photoID, [&] {
        index_.setState(keep ? ReviewState::keptByHand : ReviewState::flaggedByHand, photoID, now);
    });
    journal_.record(keep ? ReviewJournal::Event::overriddenToKeep
                         : ReviewJournal::Event::overriddenToFlag,
                    index_.entries.at(photoID), now);
    ++mutationGeneration_;
    // Saved by the synchronisation; without album writes, by the next flush.
    notePendingLocked();
    syncRejectsAlbumLocked(lock);
}

std::vector<IndexEntry>
ScanEngine::deleteBatchEntriesLocked(const std::optional<std::set<std::string>>& groups) const {
    std::vector<IndexEntry> batch; // the map keeps them in ascending order of identifier
    for (const auto& [id, entry] : index_.entries) {
        if (!isFlagged(entry.state)) continue;
        if (groups && (!entry.groupID || !groups->count(*entry.groupID))) continue;
        batch.push_back(entry);
    }
    return batch;
}

std::int64_t ScanEngine::deleteBatch(const std::optional<std::set<std::string>>& groups,
                                     std::int64_t expected, bool force) {
    Lock lock(mutex_);
    if (!writesToLibrary_) return 0;
    const auto batch = deleteBatchEntriesLocked(groups);
    const auto size = static_cast<std::int64_t>(batch.size());
    if (!force && size != expected) throw BatchMoved(expected, size);
    if (batch.empty()) return 0;
    std::vector<std::string> ids;
    for (const auto& entry : batch)
        ids.push_back(entry.asset.id);
    bool carriedOut = false;
    try {
        carriedOut = unlocked(lock, [&] { return library_->deleteAssets(ids); });
    } catch (const DeletionIncomplete& partial) {
        // What did reach the Trash is recorded as deleted here, not later as deleted elsewhere.
        const std::set<std::string> deleted(partial.deleted().begin(), partial.deleted().end());
        std::vector<IndexEntry> done;
        for (const auto& entry : batch)
            if (deleted.count(entry.asset.id)) done.push_back(entry);
        if (!done.empty()) {
            ++mutationGeneration_;
            applyDeletedBatchLocked(done);
            saveLocked(lock);
        }
        throw;
    }
    if (!carriedOut) return 0;
    ++mutationGeneration_;
    applyDeletedBatchLocked(batch);
    saveLocked(lock);
    return size;
}

void ScanEngine::applyDeletedBatchLocked(const std::vector<IndexEntry>& batch) {
    const Date now = clock_->now();
    const auto number = journal_.nextBatch();
    std::set<std::string> groups;
    for (const auto& entry : batch) {
        const auto& id = entry.asset.id;
        journal_.record(ReviewJournal::Event::deleted, entry, now, number);
        changeEntryLocked(id, [&] { index_.setState(ReviewState::deleted, id, now); });
        if (entry.groupID) groups.insert(*entry.groupID);
    }
    // The rest of each group is not decided again.
    index_.addIgnoredGroups(groups);
}

std::optional<GroupDecision> ScanEngine::decision(const std::string& groupID) const {
    std::lock_guard lock(mutex_);
    std::vector<const PhotoSignals*> order;
    for (const auto& [id, entry] : index_.entries)
        if (entry.groupID == groupID && entry.signals && entry.state != ReviewState::deleted &&
            entry.state != ReviewState::skipped)
            order.push_back(&*entry.signals);
    if (order.empty()) return std::nullopt;
    sortIntoGroupPhotoOrder(order);
    PhotoGroup group;
    group.id = groupID;
    group.kind = order.size() == 1 ? PhotoGroup::Kind::solitary : PhotoGroup::Kind::moment;
    for (const auto* signals : order)
        group.photos.push_back(*signals);
    group.copies = Provenance::copies(group.photos, grouping_);
    return KeeperSelector::decide(group, scoring_);
}

} // namespace keepsift
