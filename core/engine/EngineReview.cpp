#include "core/engine/ScanEngine.hpp"
#include "core/grouping/KeeperSelector.hpp"
#include "core/grouping/PhotoOrders.hpp"
#include "core/grouping/Provenance.hpp"

#include <utility>

namespace keepsift {

// A decision by hand reaches the files before the album is written: an album that cannot be
// written (a read-only folder, a card that takes no links) or a write that hangs must not
// hold it back. That one save holds the album as the write will leave it, and the unsettled
// list stored before it covers the write until it returns, or for good when it failed: a kill
// at any moment leaves no link of Keepsift's to be taken for the user's. A failed write leaves
// the album to the next synchronisation; a decision whose save failed is saved again once the
// write returned.
template <class AlbumWrite>
void ScanEngine::keepHandDecisionLocked(Lock& lock, AlbumWrite&& write) {
    ++handDecisionsRunning_;
    std::vector<std::string> ahead;
    struct Ended {
        ScanEngine& engine;
        const std::vector<std::string>& ahead;
        ~Ended() {
            engine.forgetLinksAheadLocked(ahead);
            if (--engine.handDecisionsRunning_ == 0) engine.handDecisionsDone_.notify_all();
        }
    } ended{*this, ahead};
    // Made while another album write is on its way: saved at once; its links wait for the
    // next write, and that write answers it. The one on its way never waits for it.
    if (albumTurnTaken_) {
        const auto after = albumTurnsBegun_;
        saveLocked(lock);
        if (awaitAlbumTurnLocked(lock, after)) return;
    }
    AlbumTurn turn(*this);
    writeHandDecisionLocked(lock, write, ahead);
    turn.written();
    // Its write returned: the saves that follow record the album as it is.
    forgetLinksAheadLocked(std::exchange(ahead, {}));
}

template <class AlbumWrite>
void ScanEngine::writeHandDecisionLocked(Lock& lock, AlbumWrite& write,
                                         std::vector<std::string>& ahead) {
    const auto departedRemovals = departedRemovals_;
    std::optional<bool> saved;
    const AlbumWriteBegins begins = [&](const std::vector<std::string>& additions,
                                        const std::vector<std::string>& removals) {
        noteLinksAheadLocked(additions, true);
        noteLinksAheadLocked(removals, false);
        ahead.insert(ahead.end(), additions.begin(), additions.end());
        ahead.insert(ahead.end(), removals.begin(), removals.end());
        saved = saveLocked(lock);
    };
    std::vector<std::string> written;
    try {
        written = write(begins);
    } catch (...) {
        albumNeedsSync_ = true;
        if (!saved) saveLocked(lock);
        throw;
    }
    if (!saved) {
        // No album write began: the decision is saved alone.
        saveLocked(lock);
        return;
    }
    // The write also took out the links of photographs found gone meanwhile, which the save
    // before it does not hold.
    if (departedRemovals_ != departedRemovals) saved = saveLocked(lock);
    if (written.empty() || (!*saved && !saveLocked(lock))) return;
    for (const auto& id : written)
        unsettled_.erase(id);
    storeUnsettledLocked(lock);
}

void ScanEngine::noteLinksAheadLocked(const std::vector<std::string>& ids, bool rejected) {
    for (const auto& id : ids)
        linksAhead_.insert_or_assign(id, rejected);
}

void ScanEngine::forgetLinksAheadLocked(const std::vector<std::string>& ids) {
    for (const auto& id : ids)
        linksAhead_.erase(id);
}

void ScanEngine::ignore(const std::string& groupID) {
    Lock lock(mutex_);
    const auto flagged = index_.ignoreGroup(groupID, clock_->now());
    work_.rebuild(index_);
    ++mutationGeneration_;
    keepHandDecisionLocked(lock, [&](const AlbumWriteBegins& begins) {
        if (flagged.empty() || !writesToLibrary_) return std::vector<std::string>{};
        markUnsettledLocked(lock, flagged);
        begins({}, flagged);
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
    keepHandDecisionLocked(lock, [&](const AlbumWriteBegins& begins) {
        return writeRejectsAlbumLocked(lock, begins);
    });
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
    keepHandDecisionLocked(lock, [&](const AlbumWriteBegins& begins) {
        return writeRejectsAlbumLocked(lock, begins);
    });
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
