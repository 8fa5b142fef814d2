#include <exception>
#include <utility>

#include "core/engine/ScanEngine.hpp"
#include "core/support/Logger.hpp"

namespace keepsift {

// A listing tells each photograph's membership truly unless an album write ran across it.
// Photographs away keep their decisions, and their links (gone, or dangling, with their
// storage) tell nothing until they are listed again.
void ScanEngine::settleAlbumLocked(Lock& lock, const std::set<std::string>& away, bool quiet) {
    bool settled = false;
    if (quiet)
        std::erase_if(unsettled_, [&](const std::string& id) {
            // A link left at the path of a photograph not measured yet waits for the write
            // that takes it out, or for the decision that keeps it.
            const auto found = index_.entries.find(id);
            const bool leftover = found != index_.entries.end() && found->second.linkedUndecided();
            const bool listed = !away.contains(id) && !leftover;
            if (leftover) leftovers_.insert(id);
            settled = settled || listed;
            return listed;
        });
    for (const auto& id : away) {
        const auto found = index_.entries.find(id);
        if (found != index_.entries.end() &&
            (isFlagged(found->second.state) || found->second.asset.isRejected))
            unsettled_.insert(id);
    }
    if (settled && albumDiffersLocked()) albumNeedsSync_ = true;
    storeUnsettledLocked(lock);
}

void ScanEngine::noteLeftoverLinksLocked(const LibraryIndex::Reconciliation& result) {
    std::vector<std::string> leftover = result.leftoverLinks;
    if (std::exchange(linksOfLostReview_, false))
        for (const auto& id : result.added)
            if (const auto found = index_.entries.find(id);
                found != index_.entries.end() && found->second.asset.isRejected)
                leftover.push_back(id);
    if (leftover.empty()) return;
    unsettled_.insert(leftover.begin(), leftover.end());
    leftovers_.insert(leftover.begin(), leftover.end());
    albumNeedsSync_ = true;
}

// Once decided, a leftover needs no listing to settle it: flagged, its link is where the
// decision wants it, the engine's; kept, the album write that takes it out settles it. Left
// unsettled, a link the user took out after a quit would be put back at the next start.
void ScanEngine::settleKeptLeftoversLocked() {
    std::erase_if(leftovers_, [&](const std::string& id) {
        const auto found = index_.entries.find(id);
        if (found == index_.entries.end() || found->second.state == ReviewState::deleted)
            return true;
        const auto& entry = found->second;
        if (entry.state == ReviewState::pending) return false;
        if (isFlagged(entry.state) && entry.asset.isRejected && !away_.contains(id)) {
            unsettled_.erase(id);
            index_.ownLinks.note(id, entry.contentDigest);
        }
        return true;
    });
}

// A regroup just before a quit leaves flags its album write has not made yet: until it has,
// their links, found or missed at the next start, are the engine's, not the user's. Links of
// photographs that left wait there too, for the next start's first write to take them out.
void ScanEngine::noteUnwrittenLinksLocked() {
    if (!writesToLibrary_ || !albumNeedsSync_) return;
    unsettled_.insert(departed_.begin(), departed_.end());
    for (const auto& [id, entry] : index_.entries)
        if (!away_.contains(id) && wantsLinkLocked(id, entry) != entry.asset.isRejected)
            unsettled_.insert(id);
}

// Unsettled photographs the index no longer holds: ones that left before a quit cut short the
// write that takes out their links.
std::vector<std::string> ScanEngine::unsettledGoneLocked() const {
    std::vector<std::string> gone;
    for (const auto& id : unsettled_)
        if (const auto found = index_.entries.find(id);
            found == index_.entries.end() || found->second.state == ReviewState::deleted)
            gone.push_back(id);
    return gone;
}

// Stored before the album write they are for.
void ScanEngine::markUnsettledLocked(Lock& lock, const std::vector<std::string>& ids) {
    unsettled_.insert(ids.begin(), ids.end());
    storeUnsettledLocked(lock);
}

// Written outside the lock, the latest list last; a list that could not be stored is written
// again with the next change.
void ScanEngine::storeUnsettledLocked(Lock& lock) {
    if (storedUnsettled_ == unsettled_) return;
    storedUnsettled_ = unsettled_;
    const auto ticket = ++unsettledStores_;
    const bool empty = unsettled_.empty();
    const auto text = UnsettledAlbum{unsettled_}.encoded();
    const bool stored = unlocked(lock, [&] {
        std::lock_guard writing(unsettledMutex_);
        if (ticket < unsettledWritten_) return true;
        unsettledWritten_ = ticket;
        try {
            if (empty)
                storage_->remove(std::string(UnsettledAlbum::fileName));
            else
                storage_->write(text, std::string(UnsettledAlbum::fileName));
            return true;
        } catch (const std::exception& error) {
            Logger("com.ambervale.keepsift", "engine")
                .error(std::string("the album's unsettled photographs are not stored: ") +
                       error.what());
            return false;
        }
    });
    if (!stored) storedUnsettled_.reset();
}

} // namespace keepsift
