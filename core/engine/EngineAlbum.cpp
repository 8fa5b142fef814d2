#include "core/engine/ScanEngine.hpp"

#include <algorithm>

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
    for (const auto& id : ids)
        if (auto found = index_.entries.find(id); found != index_.entries.end())
            found->second.asset.isRejected = rejected;
}

// At most two library calls, additions first; the lists are worked out before the first
// call and the identifiers noted as the engine's own writes before it, so that the
// library's report of them is recognised.
void ScanEngine::syncRejectsAlbumLocked(Lock& lock) {
    writeRejectsAlbumLocked(lock);
    if (writesToLibrary_) saveLocked(lock);
}

bool ScanEngine::writeRejectsAlbumLocked(Lock& lock) {
    if (!writesToLibrary_) {
        albumNeedsSync_ = false;
        return false;
    }
    std::vector<std::string> additions, removals; // the map keeps them in ascending order
    for (const auto& [id, entry] : index_.entries) {
        const bool wanted = isFlagged(entry.state);
        if (wanted && !entry.asset.isRejected) additions.push_back(id);
        if (!wanted && entry.asset.isRejected) removals.push_back(id);
    }
    ownWrites_.insert(additions.begin(), additions.end());
    ownWrites_.insert(removals.begin(), removals.end());
    auto forget = [this](const std::vector<std::string>& ids) {
        for (const auto& id : ids)
            ownWrites_.erase(id);
    };
    if (!additions.empty()) {
        try {
            unlocked(lock, [&] { library_->setRejected(additions, true); });
        } catch (...) {
            forget(additions);
            forget(removals);
            throw;
        }
        ++mutationGeneration_;
        setRejectedFlagsLocked(additions, true);
    }
    if (!removals.empty()) {
        try {
            unlocked(lock, [&] { library_->setRejected(removals, false); });
        } catch (...) {
            forget(removals);
            // The additions took place: keep them for the next save of any kind.
            if (!additions.empty()) notePendingLocked();
            throw;
        }
        ++mutationGeneration_;
        setRejectedFlagsLocked(removals, false);
    }
    // A decision taken while the album was written (outside the lock) still needs its own
    // write: a photograph kept by hand meanwhile must not stay in the album.
    albumNeedsSync_ = albumDiffersLocked();
    return !additions.empty() || !removals.empty();
}

bool ScanEngine::albumDiffersLocked() const {
    return std::any_of(index_.entries.begin(), index_.entries.end(), [](const auto& item) {
        return isFlagged(item.second.state) != item.second.asset.isRejected;
    });
}

} // namespace keepsift
