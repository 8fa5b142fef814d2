#include "core/engine/ScanEngine.hpp"

#include <exception>
#include <memory>
#include <string>
#include <utility>

#include "core/support/Logger.hpp"

namespace keepsift {

namespace {

// The save stays pending and is tried again; the log says why, so a full disk is seen.
template <class Write> bool succeeds(Write&& write) {
    try {
        write();
        return true;
    } catch (const std::exception& error) {
        Logger("com.ambervale.keepsift", "engine")
            .error(std::string("save failed: ") + error.what());
        return false;
    } catch (...) {
        Logger("com.ambervale.keepsift", "engine").error("save failed");
        return false;
    }
}

} // namespace

void ScanEngine::notePendingLocked() {
    pendingSave_ = true;
    ++dirtyMarks_;
}

void ScanEngine::markDirty() {
    Lock lock(mutex_);
    markDirtyLocked(lock);
}

void ScanEngine::markDirtyLocked(Lock& lock) {
    notePendingLocked();
    saveIfDueLocked(lock);
}

void ScanEngine::saveIfDueLocked(Lock& lock) {
    if (!pendingSave_) return;
    const Date now = clock_->now();
    if (std::exchange(albumDecisionUnsaved_, false) || !lastSaved_ ||
        now.since(*lastSaved_) >= saveInterval_)
        saveLocked(lock);
}

bool ScanEngine::save() {
    Lock lock(mutex_);
    return saveLocked(lock);
}

// An unsettled list that could not be stored is tried again too, so that a quit leaves none
// behind that no longer holds; it is stored before the flags it covers are saved.
void ScanEngine::flush() {
    Lock lock(mutex_);
    handDecisionsDone_.wait(lock, [this] { return handDecisionsRunning_ == 0; });
    noteUnwrittenLinksLocked();
    storeUnsettledLocked(lock);
    if (pendingSave_) saveLocked(lock);
}

// One save writes at a time, outside the lock. A save asked for meanwhile waits and is folded
// into the next one, which copies the state as it begins and so holds every change asked
// for before it: however many wait, one copy of the index is held. Each caller returns once
// a save that holds its changes is done, with that save's answer.
bool ScanEngine::saveLocked(Lock& lock) {
    lastSaved_ = clock_->now();
    const auto request = ++saveRequests_;
    while (savesCovered_ < request) {
        if (writing_)
            saveFinished_.wait(lock);
        else
            writeSaveLocked(lock);
    }
    return lastSaveWritten_;
}

void ScanEngine::writeSaveLocked(Lock& lock) {
    writing_ = true;
    const auto covers = saveRequests_;
    const auto marks = dirtyMarks_;
    const bool removeIntent = std::exchange(intentSpent_, false);
    bool written = false;
    try {
        // The copies are let go outside the lock too.
        auto state = std::make_unique<std::pair<LibraryIndex, ReviewJournal>>(index_, journal_);
        for (const auto& [id, rejected] : linksAhead_)
            setRejectedFlags(state->first, {id}, rejected);
        written = unlocked(lock, [&] {
            const bool both = writeFiles(state->first, state->second, removeIntent);
            state.reset();
            return both;
        });
    } catch (...) {
        // Only the copy can fail (no memory): this save and those it holds answer false.
    }
    writing_ = false;
    savesCovered_ = covers;
    lastSaveWritten_ = written;
    if (!written) {
        intentSpent_ = intentSpent_ || removeIntent;
        pendingSave_ = true;
    } else if (covers == saveRequests_ && marks == dirtyMarks_) {
        pendingSave_ = false;
    }
    saveFinished_.notify_all();
}

// A spent trash intent goes only once the files that record its batch are written.
bool ScanEngine::writeFiles(const LibraryIndex& index, const ReviewJournal& journal,
                            bool removeIntent) {
    const bool indexWritten = succeeds([&] { files_.saveIndex(index); });
    const bool journalWritten = succeeds([&] { files_.saveJournal(journal); });
    if (removeIntent && indexWritten && journalWritten)
        succeeds([&] { storage_->remove(std::string(TrashIntent::fileName)); });
    return indexWritten && journalWritten;
}

} // namespace keepsift
