#include "core/engine/ScanEngine.hpp"
#include "core/grouping/KeeperSelector.hpp"
#include "core/grouping/PhotoOrders.hpp"
#include "core/grouping/Provenance.hpp"

namespace keepsift {

// A decision by hand reaches the files before the album is written: an album that cannot be
// written (a read-only folder, a card that takes no links) or a write that hangs must not
// hold it back. A failed write leaves the album to the next synchronisation. The flags the
// album write changes wait for the next save, so that a decision costs one whole save; a
// decision whose save failed is saved again at once. Once the write returned over saved
// decisions, a later change of those links is the user's.
// A flush waits for the write, and after the quit's flush the flags are saved at once: no
// later save comes to hold them.
template <class AlbumWrite>
void ScanEngine::keepHandDecisionLocked(Lock& lock, AlbumWrite&& write) {
    ++handDecisionsRunning_;
    struct Ended {
        ScanEngine& engine;
        ~Ended() {
            if (--engine.handDecisionsRunning_ == 0) engine.handDecisionsDone_.notify_all();
        }
    } ended{*this};
    const bool saved = saveLocked(lock);
    std::vector<std::string> written;
    try {
        written = write();
    } catch (...) {
        albumNeedsSync_ = true;
        throw;
    }
    if (written.empty() && saved) return;
    if ((!saved || quitting_) && !saveLocked(lock)) return;
    if (saved && !quitting_) notePendingLocked();
    for (const auto& id : written)
        unsettled_.erase(id);
    storeUnsettledLocked(lock);
}

void ScanEngine::ignore(const std::string& groupID) {
    Lock lock(mutex_);
    const auto flagged = index_.ignoreGroup(groupID, clock_->now());
    work_.rebuild(index_);
    ++mutationGeneration_;
    keepHandDecisionLocked(lock, [&] {
        if (flagged.empty() || !writesToLibrary_) return std::vector<std::string>{};
        markUnsettledLocked(lock, flagged);
        writeAlbumLocked(lock, flagged, false);
        ++mutationGeneration_;
        setRejectedFlagsLocked(flagged, false);
        return flagged;
    });
}

// The group goes back to the engine with its links: they follow its new decisions.
void ScanEngine::reset(const std::string& groupID) {
    Lock lock(mutex_);
    for (const auto& [id, entry] : index_.entries)
        if (entry.groupID == groupID && entry.asset.isRejected)
            index_.ownLinks.note(id, entry.contentDigest);
    index_.resetGroup(groupID, clock_->now());
    work_.rebuild(index_);
    ++mutationGeneration_;
    regroupPassLocked();
    keepHandDecisionLocked(lock, [&] { return writeRejectsAlbumLocked(lock); });
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
    keepHandDecisionLocked(lock, [&] { return writeRejectsAlbumLocked(lock); });
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
