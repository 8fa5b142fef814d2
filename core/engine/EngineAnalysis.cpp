#include "core/engine/ScanEngine.hpp"
#include "core/support/Checked.hpp"

namespace keepsift {

namespace {

std::optional<SkipReason> skipReasonFor(const std::optional<PhotoSignals>& signals) {
    if (!signals) return SkipReason::unreadable;
    if (signals->isUtility) return SkipReason::utility;
    return std::nullopt;
}

} // namespace

ScanQueue::Origin ScanEngine::refillOrigin() const {
    return hasCompletedFirstPass_ ? ScanQueue::Origin::arrival : ScanQueue::Origin::backlog;
}

void ScanEngine::refillQueue(Date at, ScanQueue::Origin origin) {
    std::lock_guard lock(mutex_);
    refillLocked(at, origin);
}

void ScanEngine::refillLocked(Date at, ScanQueue::Origin origin) {
    const auto free = queue_.capacity - static_cast<std::int64_t>(queue_.items.size());
    if (free < 1) return;
    auto ids = work_.newestAwaitingSignals(static_cast<std::size_t>(free) + away_.size());
    std::erase_if(ids, [&](const std::string& id) { return away_.contains(id); });
    ids.resize(std::min(ids.size(), static_cast<std::size_t>(free)));
    for (const auto& id : ids) {
        const auto& asset = index_.entries.at(id).asset;
        queue_.enqueue(ScanQueue::Item{id, at, origin, asset.createdAt});
    }
}

bool ScanEngine::analyseNext(const WorkConditions& conditions) {
    Lock lock(mutex_);
    if (storageMode_ == LibraryStorage::optimised) return analyseOptimisedLocked(lock, conditions);
    return analyseLocalLocked(lock, conditions);
}

bool ScanEngine::analyseNextOptimised(const WorkConditions& conditions) {
    Lock lock(mutex_);
    return analyseOptimisedLocked(lock, conditions);
}

bool ScanEngine::analyseNextOriginal(const WorkConditions& conditions) {
    Lock lock(mutex_);
    return analyseOriginalLocked(lock, conditions);
}

bool ScanEngine::analyseLocalLocked(Lock& lock, const WorkConditions& conditions) {
    if (batchLimitReachedLocked()) return false;
    // Photographs an earlier launch marked as needing their original would otherwise
    // hold their groups back for good once the originals are local.
    if (work_.hasAwaitingOriginals() && analyseOriginalLocked(lock, conditions)) return true;
    if (queue_.items.empty()) refillLocked(clock_->now(), refillOrigin());
    auto item = queue_.next(conditions);
    if (!item) return false;
    auto found = index_.entries.find(item->id);
    if (found == index_.entries.end() || !found->second.needsSignals() || away_.contains(item->id))
        return true;
    measureOwnFileLocked(lock, found->second.asset);
    return true;
}

bool ScanEngine::analyseOptimisedLocked(Lock& lock, const WorkConditions& conditions) {
    if (analyseOriginalLocked(lock, conditions)) return true;
    if (queue_.items.empty()) refillLocked(clock_->now(), refillOrigin());
    auto item = queue_.next(conditions);
    if (!item) return false;
    auto found = index_.entries.find(item->id);
    if (found == index_.entries.end() || !found->second.needsSignals() || away_.contains(item->id))
        return true;
    auto signals = measure(lock, found->second.asset, true);
    if (signals)
        recordSignalsLocked(std::move(signals), item->id);
    else
        changeEntryLocked(item->id, [&] { index_.markNeedsOriginal({item->id}); });
    noteMeasuredLocked(lock);
    return true;
}

bool ScanEngine::analyseOriginalLocked(Lock& lock, const WorkConditions& conditions) {
    if (!conditionsAllowWork(conditions) || batchLimitReachedLocked()) return false;
    const auto id = work_.nextNeedingOriginal();
    if (!id || away_.contains(*id)) return false;
    const IndexEntry& entry = index_.entries.at(*id);
    if (!originalIsDueLocked(entry)) return false;
    measureOwnFileLocked(lock, entry.asset);
    return true;
}

// A measurement from the photograph's own file, whose bytes count against the batch. The
// digest of those bytes lets the review follow the file, and only the same file: asked for
// after the measurement, it comes from the bytes measured where the library kept them.
void ScanEngine::measureOwnFileLocked(Lock& lock, LibraryAsset asset) {
    auto signals = measure(lock, asset, false);
    auto read = unlocked(lock, [&] { return library_->readDigest(asset.id); });
    if (!signals && wentAwayLocked(lock, asset.id)) return;
    const auto size = signals ? signals->fileSize : 0;
    if (!recordIfUnchangedLocked(asset, std::move(signals))) return;
    index_.entries.at(asset.id).takeDigest(std::move(read));
    bytesThisBatch_ = saturatingAdd(bytesThisBatch_, size);
    noteMeasuredLocked(lock);
}

// A photograph that could not be read because its storage went away meanwhile is no
// unreadable one: it waits, unmeasured, until it is listed again.
bool ScanEngine::wentAwayLocked(Lock& lock, const std::string& id) {
    const auto away = unlocked(lock, [&] { return library_->unavailable({id}); });
    if (away.empty()) return false;
    away_.insert(id);
    return true;
}

bool ScanEngine::originalIsDue(const IndexEntry& entry) const {
    std::lock_guard lock(mutex_);
    return originalIsDueLocked(entry);
}

bool ScanEngine::originalIsDueLocked(const IndexEntry& entry) const {
    const auto newest = work_.newestDateAwaitingSignals();
    const auto& created = entry.asset.createdAt;
    return !newest || !created || created->since(*newest) > grouping_.sessionGap;
}

std::optional<PhotoSignals> ScanEngine::measure(Lock& lock, const LibraryAsset& asset,
                                                bool derivative) {
    const AssetReference reference = asset.reference();
    return unlocked(lock, [&] {
        return derivative ? signalSource_->derivativeSignals(reference)
                          : signalSource_->signals(reference);
    });
}

// A photograph deleted, edited or replaced while it was measured keeps no measurement.
bool ScanEngine::recordIfUnchangedLocked(const LibraryAsset& measured,
                                         std::optional<PhotoSignals> signals) {
    auto found = index_.entries.find(measured.id);
    if (found == index_.entries.end() || found->second.state == ReviewState::deleted) return false;
    const LibraryAsset& now = found->second.asset;
    if (now.contentChanged(measured) || now.sizeChanged(measured) || now.fileMoved(measured))
        return false;
    recordSignalsLocked(std::move(signals), measured.id);
    return true;
}

void ScanEngine::recordSignals(std::optional<PhotoSignals> signals, const std::string& id) {
    std::lock_guard lock(mutex_);
    recordSignalsLocked(std::move(signals), id);
}

void ScanEngine::recordSignalsLocked(std::optional<PhotoSignals> signals, const std::string& id) {
    const auto skip = skipReasonFor(signals);
    if (skip) takeUsersLinkLocked(id);
    changeEntryLocked(id, [&] { index_.recordSignals(std::move(signals), skip, id); });
    flagsToFollow_.insert(id);
}

// The user's link on a photograph Keepsift will not decide, made before it was measured, is
// the user's flag, as it would be on one that is decided.
void ScanEngine::takeUsersLinkLocked(const std::string& id) {
    const auto found = index_.entries.find(id);
    if (found == index_.entries.end() || !linkedByUserLocked(id, found->second) ||
        away_.contains(id))
        return;
    takeAlbumDecisionLocked(id, true, clock_->now());
    ++mutationGeneration_;
}

// A run that keeps dying soon after its start (a photograph that crashes a decoder, a
// session killed early) must still make progress: its first measurements are saved at once.
void ScanEngine::noteMeasuredLocked(Lock& lock) {
    checkFirstPassLocked();
    if (++measuredThisRun_ > savedAtOnce) return markDirtyLocked(lock);
    notePendingLocked();
    saveLocked(lock);
}

void ScanEngine::checkFirstPassLocked() {
    if (!work_.hasAwaitingSignals() && !work_.hasAwaitingOriginals()) hasCompletedFirstPass_ = true;
}

} // namespace keepsift
