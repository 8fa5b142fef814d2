#include <algorithm>
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

// Photographs the user reviewed whose entries hold no digest, gone from their paths: the
// measurement stored stands in for the digest. Files listed without an entry of their own that
// may hold one (the same file on the library's drive, renamed or moved before the start could
// read it; else copies made before the old name went) and measure as stored lend the entry
// the digest of their bytes, so that the listing pairs them by the rules that pair every file
// whose bytes are known.
void ScanEngine::proveDepartedReviewsLocked(Lock& lock, const std::vector<LibraryAsset>& assets) {
    std::unordered_set<std::string_view> listed;
    for (const auto& asset : assets)
        listed.insert(asset.id);
    std::vector<std::string> gone;
    for (const auto& [id, entry] : index_.entries)
        if (entry.state != ReviewState::deleted && entry.signals && !entry.contentDigest &&
            !listed.contains(id) && holdsUsersReviewLocked(id, entry))
            gone.push_back(id);
    if (gone.empty()) return;
    std::vector<const LibraryAsset*> arriving;
    for (const auto& asset : assets) {
        const auto entry = index_.entries.find(asset.id);
        if (entry == index_.entries.end() || entry->second.state == ReviewState::deleted)
            arriving.push_back(&asset);
    }
    for (const auto& id : gone)
        if (const auto holders = provenHoldersLocked(lock, id, arriving); !holders.empty())
            lendDigestLocked(lock, id, holders);
}

// The same file where it is listed, measured again and equal; else the copies that are.
std::vector<LibraryAsset>
ScanEngine::provenHoldersLocked(Lock& lock, const std::string& id,
                                const std::vector<const LibraryAsset*>& arriving) {
    std::vector<LibraryAsset> same, copies;
    {
        const auto found = index_.entries.find(id);
        if (found == index_.entries.end()) return {};
        for (const auto* asset : arriving)
            if (mayHoldMeasured(found->second, *asset))
                (isFileOf(found->second, *asset) ? same : copies).push_back(*asset);
    }
    for (auto* holders : {&same, &copies}) {
        std::erase_if(*holders, [&](const LibraryAsset& file) {
            return measuresAsStoredLocked(lock, file, id) != true;
        });
        if (!holders->empty()) return std::move(*holders);
    }
    return {};
}

// Copies that measure alike but hold other bytes lend none: no digest tells which of them
// holds the review.
void ScanEngine::lendDigestLocked(Lock& lock, const std::string& id,
                                  const std::vector<LibraryAsset>& files) {
    std::optional<DigestRead> lent;
    for (const auto& file : files) {
        auto digest = unlocked(lock, [&] { return library_->readDigest(file.id); });
        if (!digest || (lent && lent->digest != digest->digest)) return;
        if (!lent) lent = std::move(digest);
    }
    const auto found = index_.entries.find(id);
    if (!lent || found == index_.entries.end() || found->second.contentDigest ||
        std::any_of(files.begin(), files.end(),
                    [&](const auto& file) { return !mayHoldMeasured(found->second, file); }))
        return;
    changeEntryLocked(id, [&] {
        IndexEntry& entry = found->second;
        entry.takeDigest(std::move(lent));
        entry.measureAgain = false;
    });
    notePendingLocked();
}

} // namespace keepsift
