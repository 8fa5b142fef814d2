#include "core/engine/ScanEngine.hpp"

#include <exception>
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
    const Date now = clock_->now();
    if (!lastSaved_ || now.since(*lastSaved_) >= saveInterval_) saveLocked(lock);
}

bool ScanEngine::save() {
    Lock lock(mutex_);
    return saveLocked(lock);
}

void ScanEngine::flush() {
    Lock lock(mutex_);
    if (pendingSave_) saveLocked(lock);
}

// One consistent state is copied under the lock and written outside it. Only the latest
// save, with no change noted since it began, may call the state saved.
bool ScanEngine::saveLocked(Lock& lock) {
    lastSaved_ = clock_->now();
    const auto ticket = ++savesBegun_;
    const auto marks = dirtyMarks_;
    const LibraryIndex index = index_;
    const ReviewJournal journal = journal_;
    const bool removeIntent = std::exchange(intentSpent_, false);
    const auto [indexWritten, journalWritten] =
        unlocked(lock, [&] { return writeFiles(ticket, index, journal, removeIntent); });
    if (!indexWritten || !journalWritten) {
        intentSpent_ = intentSpent_ || removeIntent;
        pendingSave_ = true;
        return false;
    }
    if (ticket == savesBegun_ && marks == dirtyMarks_) pendingSave_ = false;
    return true;
}

// Writes in the order the saves began; a save overtaken by a later one writes nothing,
// since the later one holds everything it held.
// A spent trash intent goes only once the files that record its batch are written.
std::pair<bool, bool> ScanEngine::writeFiles(std::uint64_t ticket, const LibraryIndex& index,
                                             const ReviewJournal& journal, bool removeIntent) {
    std::lock_guard lock(writeMutex_);
    if (ticket < lastWritten_) return {true, true};
    lastWritten_ = ticket;
    const bool indexWritten = succeeds([&] { files_.saveIndex(index); });
    const bool journalWritten = succeeds([&] { files_.saveJournal(journal); });
    if (removeIntent && indexWritten && journalWritten)
        succeeds([&] { storage_->remove(std::string(TrashIntent::fileName)); });
    return {indexWritten, journalWritten};
}

} // namespace keepsift
