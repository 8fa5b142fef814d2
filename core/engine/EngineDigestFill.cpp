#include <array>

#include "core/engine/ScanEngine.hpp"
#include "core/support/Checked.hpp"

namespace keepsift {
namespace {

// A few files per step keep it short, so that neither quitting nor measuring waits long.
constexpr std::size_t digestsPerStep = 16;
constexpr std::int64_t bytesPerStep = std::int64_t{64} << 20;

// Decisions by hand matter most, then the other reviewed photographs.
std::size_t rankOf(ReviewState state) {
    if (isSetByHand(state)) return 0;
    return state == ReviewState::keeper || state == ReviewState::flagged ? 1 : 2;
}

// A size other than that of the bytes measured tells of a file changed since.
bool sizeAsMeasured(const IndexEntry& entry) {
    const auto measured = entry.signals->fileSize, listed = entry.asset.fileSize;
    return entry.signals->madeFromRendition() || measured <= 0 || listed <= 0 || measured == listed;
}

bool lacksDigest(const IndexEntry& entry) {
    return entry.state != ReviewState::deleted && entry.signals && !entry.contentDigest &&
           sizeAsMeasured(entry);
}

// The read bytes belong to the measurement only while the entry still stands as it was read.
bool storeDigest(LibraryIndex& index, const LibraryAsset& read, std::string digest) {
    const auto found = index.entries.find(read.id);
    if (found == index.entries.end()) return false;
    IndexEntry& entry = found->second;
    if (!lacksDigest(entry) || entry.asset.contentChanged(read) ||
        entry.asset.fileSize != read.fileSize)
        return false;
    entry.contentDigest = std::move(digest);
    return true;
}

std::vector<std::string> idsOf(const std::vector<LibraryAsset>& assets) {
    std::vector<std::string> ids;
    for (const auto& asset : assets)
        ids.push_back(asset.id);
    return ids;
}

} // namespace

DigestFill ScanEngine::fillContentDigests(const WorkConditions& conditions) {
    Lock lock(mutex_);
    if (!conditionsAllowWork(conditions) || !queue_.items.empty() || work_.hasAwaitingSignals() ||
        work_.hasAwaitingOriginals())
        return DigestFill::held;
    if (digestFill_.awayAt != mutationGeneration_) digestFill_.away.clear();
    digestFill_.awayAt = mutationGeneration_;
    const auto candidates = digestCandidatesLocked();
    if (readDigestsLocked(lock, candidates.chosen) > 0) {
        if (!digestFill_.unsavedSince || savesCovered_ > digestFill_.storedAfter)
            digestFill_.unsavedSince = clock_->now();
        digestFill_.storedAfter = saveRequests_;
        notePendingLocked();
    }
    saveDigestsLocked(lock, !candidates.more);
    return candidates.more ? DigestFill::more : DigestFill::done;
}

std::int64_t ScanEngine::readDigestsLocked(Lock& lock, const std::vector<LibraryAsset>& chosen) {
    if (chosen.empty()) return 0;
    const auto away = unlocked(lock, [&] { return library_->unavailable(idsOf(chosen)); });
    digestFill_.away.insert(away.begin(), away.end());
    std::int64_t stored = 0;
    for (const auto& asset : chosen) {
        if (digestFill_.away.contains(asset.id)) continue;
        auto digest = unlocked(lock, [&] { return library_->contentDigest(asset.id); });
        if (!digest)
            digestFill_.failed.insert(asset.id);
        else if (storeDigest(index_, asset, std::move(*digest)))
            ++stored;
    }
    return stored;
}

// A save holds the digests stored before it was asked for; one is asked for only once the
// fill ends, or when the oldest digest no save holds has waited long enough.
void ScanEngine::saveDigestsLocked(Lock& lock, bool ended) {
    const auto& since = digestFill_.unsavedSince;
    if (!since || savesCovered_ > digestFill_.storedAfter) return;
    if (ended || clock_->now().since(*since) >= digestSaveInterval) saveLocked(lock);
}

// The assets to read next, by rank, as many as one step reads.
ScanEngine::DigestCandidates ScanEngine::digestCandidatesLocked() const {
    std::array<std::vector<const LibraryAsset*>, 3> ranked;
    std::size_t found = 0;
    for (const auto& [id, entry] : index_.entries) {
        if (!lacksDigest(entry) || digestFill_.failed.contains(id) || digestFill_.away.contains(id))
            continue;
        ++found;
        auto& rank = ranked[rankOf(entry.state)];
        if (rank.size() < digestsPerStep) rank.push_back(&entry.asset);
    }
    DigestCandidates candidates;
    std::int64_t bytes = 0;
    for (const auto& rank : ranked)
        for (const LibraryAsset* asset : rank) {
            if (candidates.chosen.size() == digestsPerStep || bytes >= bytesPerStep) break;
            candidates.chosen.push_back(*asset);
            bytes = saturatingAdd(bytes, asset->fileSize);
        }
    candidates.more = found > candidates.chosen.size();
    return candidates;
}

} // namespace keepsift
