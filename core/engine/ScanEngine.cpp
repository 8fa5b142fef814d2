#include "core/engine/ScanEngine.hpp"

#include <algorithm>

#include "core/engine/StoredList.hpp"
#include "core/support/Checked.hpp"

namespace keepsift {

ScanEngine::ScanEngine(std::shared_ptr<PhotoLibrary> library,
                       std::shared_ptr<SignalSource> signalSource,
                       std::shared_ptr<FileStorage> storage, std::shared_ptr<Clock> clock,
                       GroupingPolicy grouping, ScoringPolicy scoring, bool writesToLibrary)
    : library_(std::move(library)), signalSource_(std::move(signalSource)),
      storage_(std::move(storage)), clock_(std::move(clock)), grouping_(grouping),
      scoring_(scoring), writesToLibrary_(writesToLibrary), journal_(journalLimit),
      files_(storage_) {
    reloadFiles();
}

std::optional<std::string> ScanEngine::storageUnavailability() const {
    return files_.unavailability();
}

void ScanEngine::reloadFiles() {
    const std::string signature = LibraryIndex::currentSignature();
    LibraryIndex index = files_.loadIndex().value_or(LibraryIndex::fresh(signature));
    ReviewJournal journal = files_.loadJournal().value_or(ReviewJournal(journalLimit));
    index.adoptVersion(signature);
    index.mendIdentities();
    // An intent that cannot be read names no batch: nothing is recorded as deleted by one.
    auto intent = readStoredList<TrashIntent>(*storage_, index).list;
    const auto album = readStoredList<UnsettledAlbum>(*storage_, index);
    std::set<std::string> unsettled = album.list ? album.list->ids : std::set<std::string>{};
    // Then no photograph's album membership is known until a listing settles it.
    if (album.unreadable)
        for (const auto& [id, entry] : index.entries)
            unsettled.insert(unsettled.end(), id);
    Lock lock(mutex_);
    index_ = std::move(index);
    journal_ = std::move(journal);
    trashing_ = std::move(intent);
    storedUnsettled_ = unsettled;
    unsettled_ = std::move(unsettled);
    leftovers_.clear();
    departuresLookedFor_ = false;
    if (reviewedDigests_ == ReviewedDigests::read) reviewedDigests_ = ReviewedDigests::unread;
    linksOfLostReview_ = index_.entries.empty();
    work_.rebuild(index_);
    // A quit between a decision and the album's update leaves the album behind the index;
    // the album follows the index, so it catches up at the next sync.
    albumNeedsSync_ = albumDiffersLocked();
}

LibraryIndex ScanEngine::index() const {
    std::lock_guard lock(mutex_);
    return index_;
}

ReviewJournal ScanEngine::journal() const {
    std::lock_guard lock(mutex_);
    return journal_;
}

ScanQueue ScanEngine::queue() const {
    std::lock_guard lock(mutex_);
    return queue_;
}

LibraryAuthorization ScanEngine::authorization() const {
    std::lock_guard lock(mutex_);
    return authorization_;
}

bool ScanEngine::hasCompletedFirstPass() const {
    std::lock_guard lock(mutex_);
    return hasCompletedFirstPass_;
}

void ScanEngine::updateIndex(const std::function<void(LibraryIndex&)>& change) {
    std::lock_guard lock(mutex_);
    struct Retrack {
        WorkTracker& work;
        const LibraryIndex& index;
        ~Retrack() { work.rebuild(index); }
    } retrack{work_, index_};
    change(index_);
}

void ScanEngine::refreshAuthorization() {
    const auto status = library_->authorizationStatus();
    std::lock_guard lock(mutex_);
    authorization_ = status;
}

LibraryAuthorization ScanEngine::ensureAuthorization(bool prompting) {
    auto status = library_->authorizationStatus();
    {
        std::lock_guard lock(mutex_);
        authorization_ = status;
    }
    if (!prompting || status != LibraryAuthorization::notDetermined) return status;
    status = library_->requestAuthorization();
    std::lock_guard lock(mutex_);
    authorization_ = status;
    return status;
}

LibraryStorage ScanEngine::refreshStorageMode() {
    {
        std::lock_guard lock(mutex_);
        if (storageMode_ && *storageMode_ != LibraryStorage::unknown) return *storageMode_;
    }
    const auto mode = library_->storageMode();
    std::lock_guard lock(mutex_);
    storageMode_ = mode;
    return mode;
}

ScanEngine::BatchLimit ScanEngine::batchLimit() const {
    std::lock_guard lock(mutex_);
    return batchLimit_;
}

std::int64_t ScanEngine::reviewableGroups() const {
    std::lock_guard lock(mutex_);
    return reviewableGroups_;
}

std::int64_t ScanEngine::bytesThisBatch() const {
    std::lock_guard lock(mutex_);
    return bytesThisBatch_;
}

void ScanEngine::setBatchLimit(std::optional<std::int64_t> groups,
                               std::optional<std::int64_t> bytes) {
    std::lock_guard lock(mutex_);
    batchLimit_ = BatchLimit{groups, bytes};
}

void ScanEngine::extendBatch(std::int64_t byGroups) {
    std::lock_guard lock(mutex_);
    bytesThisBatch_ = 0;
    batchLimit_.groups = saturatingAdd(reviewableGroups_, byGroups);
}

bool ScanEngine::batchLimitReachedLocked() const {
    return (batchLimit_.groups && reviewableGroups_ >= *batchLimit_.groups) ||
           (batchLimit_.bytes && bytesThisBatch_ >= *batchLimit_.bytes);
}

bool ScanEngine::batchIsFull() const {
    std::lock_guard lock(mutex_);
    return batchLimitReachedLocked();
}

void ScanEngine::setGrouping(const GroupingPolicy& grouping) {
    std::lock_guard lock(mutex_);
    grouping_ = grouping;
}

std::int64_t ScanEngine::mutationGeneration() const {
    std::lock_guard lock(mutex_);
    return mutationGeneration_;
}

bool ScanEngine::albumNeedsSync() const {
    std::lock_guard lock(mutex_);
    return albumNeedsSync_;
}

std::set<std::string> ScanEngine::ownWrites() const {
    std::lock_guard lock(mutex_);
    return ownWrites_;
}

std::optional<LibraryStorage> ScanEngine::storageMode() const {
    std::lock_guard lock(mutex_);
    return storageMode_;
}

bool ScanEngine::pendingSave() const {
    std::lock_guard lock(mutex_);
    return pendingSave_;
}

std::optional<Date> ScanEngine::lastSaved() const {
    std::lock_guard lock(mutex_);
    return lastSaved_;
}

} // namespace keepsift
