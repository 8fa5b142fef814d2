#include <map>
#include <unordered_set>

#include "core/engine/ScanEngine.hpp"
#include "core/index/FileAtPath.hpp"
#include "core/support/Logger.hpp"

namespace keepsift {

// The digest read of a file that no status proves is taken where the file, measured again,
// gives the measurement stored; another picture, or none, is a changed photograph. Given only
// another capture date, the picture is the one the user decided by hand: that review stands as
// it was made; a decision of Keepsift's own rested on the date, and is made afresh. One whose
// storage went away meanwhile waits.
bool ScanEngine::settleByMeasurementLocked(Lock& lock, const LibraryAsset& read,
                                           DigestRead digest) {
    const auto again = measureAgainLocked(lock, read);
    const bool away = !again && wentAwayLocked(lock, read.id);
    const auto found = index_.entries.find(read.id);
    if (found == index_.entries.end() || !awaitsMeasurementLocked(found->second, read))
        return false;
    if (away) {
        digestFill_.failed.insert(read.id);
        return false;
    }
    const bool redated = again && !again->fresh.measuresAs(again->stored);
    if (!again || !again->fresh.showsSamePicture(again->stored) ||
        (redated && !isSetByHand(found->second.state))) {
        reviewAfreshLocked(read.id);
        return false;
    }
    changeEntryLocked(read.id, [&] {
        found->second.takeDigest(std::move(digest));
        found->second.measureAgain = false;
    });
    return true;
}

// Still measured without a digest, as it was when the file was read.
bool ScanEngine::awaitsMeasurementLocked(const IndexEntry& entry, const LibraryAsset& read) const {
    return entry.state != ReviewState::deleted && entry.signals && !entry.contentDigest &&
           !entry.asset.contentChanged(read) && !entry.asset.sizeChanged(read);
}

std::optional<ScanEngine::MeasuredAgain>
ScanEngine::measureAgainLocked(Lock& lock, const LibraryAsset& file, const std::string& entryID) {
    const auto found = index_.entries.find(entryID.empty() ? file.id : entryID);
    if (found == index_.entries.end() || !found->second.signals) return std::nullopt;
    PhotoSignals stored = *found->second.signals;
    auto fresh = measure(lock, file, stored.madeFromRendition());
    if (!fresh) return std::nullopt;
    return MeasuredAgain{std::move(stored), std::move(*fresh)};
}

std::optional<bool> ScanEngine::measuresAsStoredLocked(Lock& lock, const LibraryAsset& file,
                                                       const std::string& entryID) {
    const auto again = measureAgainLocked(lock, file, entryID);
    if (!again) return std::nullopt;
    return again->fresh.measuresAs(again->stored);
}

// Until it is measured again and decided, the photograph moves nowhere; the log says why.
void ScanEngine::reviewAfreshLocked(const std::string& id) {
    LibraryIndex::Reconciliation result;
    changeEntryLocked(id, [&] { result = index_.measuredOtherwise(id); });
    if (result.needingFreshSignals.empty()) return;
    Logger("com.ambervale.keepsift", "engine")
        .notice(id + ": another picture than the one reviewed, measured again before it moves");
    noteLeftoverLinksLocked(result);
    ++mutationGeneration_;
    queue_.enqueue(ScanQueue::Item{id, clock_->now(), ScanQueue::Origin::arrival, std::nullopt});
    notePendingLocked();
}

// A photograph the user reviewed whose entry holds no digest, gone from its path, and a file
// listed without an entry of its own that is the same file on the same drive: renamed or moved
// before the start could read it. Measured again and equal, it lends the entry its digest, so
// that the listing gives it the review.
void ScanEngine::proveRenamedReviewsLocked(Lock& lock, const std::vector<LibraryAsset>& assets) {
    std::unordered_set<std::string_view> listed;
    for (const auto& asset : assets)
        listed.insert(asset.id);
    std::map<std::pair<std::int64_t, std::int64_t>, std::string> gone;
    for (const auto& [id, entry] : index_.entries) {
        const auto& file = entry.asset.file;
        if (entry.state != ReviewState::deleted && entry.signals && !entry.contentDigest && file &&
            file->fileSystem != 0 && !listed.contains(id) && holdsUsersReviewLocked(id, entry))
            gone.emplace(std::pair{file->number, file->fileSystem}, id);
    }
    if (gone.empty()) return;
    std::vector<std::pair<std::string, LibraryAsset>> renamed;
    for (const auto& asset : assets) {
        const auto entry = index_.entries.find(asset.id);
        if (!asset.file ||
            (entry != index_.entries.end() && entry->second.state != ReviewState::deleted))
            continue;
        const auto left = gone.find({asset.file->number, asset.file->fileSystem});
        if (left != gone.end() && describesFile(index_.entries.at(left->second), asset))
            renamed.emplace_back(left->second, asset);
    }
    for (const auto& [id, arrival] : renamed)
        if (measuresAsStoredLocked(lock, arrival, id) == true) lendDigestLocked(lock, id, arrival);
}

void ScanEngine::lendDigestLocked(Lock& lock, const std::string& id, const LibraryAsset& file) {
    auto digest = unlocked(lock, [&] { return library_->readDigest(file.id); });
    const auto found = index_.entries.find(id);
    if (!digest || found == index_.entries.end() || found->second.contentDigest ||
        !describesFile(found->second, file))
        return;
    changeEntryLocked(id, [&] {
        found->second.takeDigest(std::move(digest));
        found->second.measureAgain = false;
    });
    notePendingLocked();
}

} // namespace keepsift
