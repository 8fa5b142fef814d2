#include "core/engine/ScanEngine.hpp"

#include <algorithm>
#include <utility>

namespace keepsift {

void ScanEngine::syncRejectsAlbum() {
    Lock lock(mutex_);
    syncRejectsAlbumLocked(lock);
}

void ScanEngine::syncRejectsAlbumIfNeeded() {
    Lock lock(mutex_);
    if (albumNeedsSync_) syncRejectsAlbumLocked(lock);
}

void ScanEngine::setRejectedFlagsLocked(const std::vector<std::string>& ids, bool rejected) {
    setRejectedFlags(index_, ids, rejected);
}

// A link gone is no longer the engine's: one the user puts there later is the user's.
void ScanEngine::setRejectedFlags(LibraryIndex& index, const std::vector<std::string>& ids,
                                  bool rejected) {
    for (const auto& id : ids) {
        if (auto found = index.entries.find(id); found != index.entries.end()) {
            found->second.asset.isRejected = rejected;
            if (!rejected) found->second.asset.linkedNs.reset();
        }
        if (!rejected) index.ownLinks.forget(id);
    }
}

// At most two library calls, additions first; the lists are worked out before the first
// call and the identifiers noted as the engine's own writes before it, so that the
// library's report of them is recognised. Photographs whose storage is away are left be: the
// album holds the flagged photographs that are present.
void ScanEngine::syncRejectsAlbumLocked(Lock& lock) {
    // The pump never waits for the write on its way, so a stalled share does not hold it: it
    // leaves the album to sync if it still differs once it returns.
    if (albumTurnTaken_) return;
    AlbumTurn turn(*this);
    writeAndSettleAlbumLocked(lock);
    turn.written();
}

void ScanEngine::writeAndSettleAlbumLocked(Lock& lock) {
    const auto written = writeRejectsAlbumLocked(lock);
    if (!writesToLibrary_ || !saveLocked(lock)) return;
    for (const auto& id : written)
        unsettled_.erase(id);
    settleKeptLeftoversLocked();
    storeUnsettledLocked(lock);
}

// Two writes at once would each find the other's new links there already, and so take them
// for the user's; and the first to end would clear the unsettled photographs the other still
// writes.
ScanEngine::AlbumTurn::AlbumTurn(ScanEngine& engine)
    : engine(engine), number(++engine.albumTurnsBegun_) {
    engine.albumTurnTaken_ = true;
}

void ScanEngine::AlbumTurn::written() {
    engine.albumTurnsWritten_ = number;
}

// The decisions waiting for the turn go on: held by this write, or to write their own, also
// when this one failed.
ScanEngine::AlbumTurn::~AlbumTurn() {
    engine.albumTurnTaken_ = false;
    engine.handDecisionsDone_.notify_all();
}

bool ScanEngine::awaitAlbumTurnLocked(Lock& lock, std::uint64_t after) {
    handDecisionsDone_.wait(lock, [&] { return !albumTurnTaken_ || albumTurnsWritten_ > after; });
    return albumTurnsWritten_ > after;
}

std::vector<std::string> ScanEngine::writeRejectsAlbumLocked(Lock& lock,
                                                             const AlbumWriteBegins& begins) {
    if (!writesToLibrary_) {
        albumNeedsSync_ = false;
        return {};
    }
    std::vector<std::string> additions, removals; // the map keeps them in ascending order
    for (const auto& [id, entry] : index_.entries) {
        if (away_.contains(id)) continue;
        const bool wanted = wantsLinkLocked(id, entry);
        if (wanted && !entry.asset.isRejected) additions.push_back(id);
        if (!wanted && entry.asset.isRejected) removals.push_back(id);
    }
    std::set<std::string> usersIfLinked;
    for (const auto& id : additions)
        if (albumChangeIsUsersLocked(id, true)) usersIfLinked.insert(id);
    ownWrites_.insert(additions.begin(), additions.end());
    ownWrites_.insert(removals.begin(), removals.end());
    // Until the writes are known done, a link found or missed is the engine's, also after a
    // kill in the middle of them.
    unsettled_.insert(removals.begin(), removals.end());
    markUnsettledLocked(lock, additions);
    for (const auto& id : additions)
        if (const auto found = index_.entries.find(id); found != index_.entries.end())
            index_.ownLinks.note(id, found->second.contentDigest);
    if (begins) begins(additions, removals);
    auto forget = [this](const std::vector<std::string>& ids) {
        for (const auto& id : ids)
            ownWrites_.erase(id);
    };
    if (!additions.empty()) {
        std::vector<std::string> linkedAlready;
        try {
            linkedAlready = writeAlbumLocked(lock, additions, true);
        } catch (...) {
            forget(additions);
            forget(removals);
            throw;
        }
        ++mutationGeneration_;
        setRejectedFlagsLocked(additions, true);
        takeUsersLinksLocked(linkedAlready, usersIfLinked);
    }
    if (!removals.empty()) {
        try {
            writeAlbumLocked(lock, removals, false);
        } catch (...) {
            forget(removals);
            // The additions took place: keep them for the next save of any kind.
            if (!additions.empty()) notePendingLocked();
            throw;
        }
        ++mutationGeneration_;
        setRejectedFlagsLocked(removals, false);
    }
    if (!departed_.empty()) removeDepartedRejectsLocked(lock);
    // A decision taken while the album was written (outside the lock) still needs its own
    // write: a photograph kept by hand meanwhile must not stay in the album.
    albumNeedsSync_ = albumDiffersLocked() || !departed_.empty();
    additions.insert(additions.end(), removals.begin(), removals.end());
    return additions;
}

// A photograph the engine flagged that the user linked before the write (while it was measured,
// ahead of the watcher's report) is the user's flag: the write, which found the link and left
// it, answers it, and the link is never taken for the engine's. The unsettled list that covered
// it is cleared with the others once saved.
void ScanEngine::takeUsersLinksLocked(const std::vector<std::string>& linkedAlready,
                                      const std::set<std::string>& users) {
    const Date now = clock_->now();
    for (const auto& id : linkedAlready) {
        if (!users.contains(id) || !index_.entries.contains(id)) continue;
        ownWrites_.erase(id);
        index_.ownLinks.forget(id);
        adoptAlbumChangeLocked(id, now);
    }
}

std::vector<std::string>
ScanEngine::writeAlbumLocked(Lock& lock, const std::vector<std::string>& ids, bool rejected) {
    ++albumWritesBegun_;
    ++albumWritesRunning_;
    struct Returned {
        int& running;
        ~Returned() { --running; }
    } returned{albumWritesRunning_};
    return unlocked(lock, [&] { return library_->setRejected(ids, rejected); });
}

void ScanEngine::noteDepartedLocked(const std::vector<std::string>& ids) {
    if (ids.empty()) return;
    departed_.insert(ids.begin(), ids.end());
    albumNeedsSync_ = true;
}

// Photographs that leave during the write are noted for the next; a failed write keeps them.
void ScanEngine::removeDepartedRejectsLocked(Lock& lock) {
    const auto departed = std::exchange(departed_, {});
    try {
        unlocked(lock, [&] {
            library_->removeDepartedRejects({departed.begin(), departed.end()});
        });
    } catch (...) {
        departed_.insert(departed.begin(), departed.end());
        throw;
    }
    ++departedRemovals_;
}

bool ScanEngine::albumDiffersLocked() const {
    return std::any_of(index_.entries.begin(), index_.entries.end(), [this](const auto& item) {
        return wantsLinkLocked(item.first, item.second) != item.second.asset.isRejected &&
               !away_.contains(item.first);
    });
}

bool ScanEngine::wantsLinkLocked(const std::string& id, const IndexEntry& entry) const {
    return isFlagged(entry.state) || linkedByUserLocked(id, entry);
}

bool ScanEngine::linkedByUserLocked(const std::string& id, const IndexEntry& entry) const {
    return entry.linkedUndecided() && albumChangeIsUsersLocked(id, true);
}

bool ScanEngine::albumChangeIsUsersLocked(const std::string& id, bool linked) const {
    return !unsettled_.contains(id) && !(linked && index_.ownLinks.holds(id));
}

// Those of photographs that left stay while their links may still be there to take out.
void ScanEngine::forgetGoneOwnLinksLocked() {
    std::erase_if(index_.ownLinks.made, [this](const auto& link) {
        const auto& id = link.first;
        if (unsettled_.contains(id) || away_.contains(id) || departed_.contains(id)) return false;
        const auto found = index_.entries.find(id);
        return found == index_.entries.end() || !found->second.asset.isRejected;
    });
}

} // namespace keepsift
