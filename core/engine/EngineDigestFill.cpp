#include <array>
#include <map>

#include "core/index/FileAtPath.hpp"

#include "core/engine/ScanEngine.hpp"

namespace keepsift {
namespace {

constexpr std::size_t digestsAhead = 64 * ReadStep::filesPerStep;

// Decisions by hand matter most, then the photographs a delete waits on until they are
// measured again, then the other reviewed photographs.
std::size_t rankOf(const IndexEntry& entry) {
    if (isSetByHand(entry.state)) return 0;
    if (entry.measureAgain) return 1;
    return entry.state == ReviewState::keeper || entry.state == ReviewState::flagged ? 2 : 3;
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

enum class Stored { no, yes, unproven };

// The read bytes belong to the measurement only while the entry still stands as it was read,
// and only where their status proves them the ones the index held; others are measured.
Stored storeDigest(LibraryIndex& index, const LibraryAsset& read, DigestRead& digest) {
    const auto found = index.entries.find(read.id);
    if (found == index.entries.end()) return Stored::no;
    IndexEntry& entry = found->second;
    if (!lacksDigest(entry) || entry.asset.contentChanged(read) ||
        entry.asset.fileSize != read.fileSize || entry.asset.fileMoved(read))
        return Stored::no;
    if (!provenAsHeld(entry, digest)) return Stored::unproven;
    entry.takeDigest(std::move(digest));
    return Stored::yes;
}

// The companions of a photograph whose own bytes are known, recorded by a read while its file
// still holds those bytes.
bool storeCompanions(LibraryIndex& index, const LibraryAsset& read, const DigestRead& digest) {
    const auto found = index.entries.find(read.id);
    if (found == index.entries.end()) return false;
    IndexEntry& entry = found->second;
    if (entry.state == ReviewState::deleted || entry.contentDigest != digest.digest ||
        entry.asset.contentChanged(read) || entry.asset.fileMoved(read))
        return false;
    entry.takeStatusReadAgain(digest);
    return true;
}

// Until a listing says how large the file is, the size of the bytes measured stands for it,
// so that an entry of an earlier build, which kept no sizes, is known by it when it left.
void restOnMeasuredSize(IndexEntry& entry) {
    const auto& measured = entry.signals;
    if (entry.asset.fileSize <= 0 && entry.contentDigest && measured &&
        !measured->madeFromRendition())
        entry.asset.fileSize = measured->fileSize;
}

std::vector<std::string> idsOf(const std::vector<LibraryAsset>& assets) {
    std::vector<std::string> ids;
    for (const auto& asset : assets)
        ids.push_back(asset.id);
    return ids;
}

template <class Value> std::vector<std::string> idsOf(const std::map<std::string, Value>& read) {
    std::vector<std::string> ids;
    for (const auto& [id, value] : read)
        ids.push_back(id);
    return ids;
}

} // namespace

// Files read back come first: a review rests on each of them.
DigestFill ScanEngine::fillContentDigests(const WorkConditions& conditions) {
    Lock lock(mutex_);
    if (!conditionsAllowWork(conditions) || !queue_.items.empty() || work_.hasAwaitingSignals() ||
        work_.hasAwaitingOriginals())
        return DigestFill::held;
    if (!readBack_.waiting.empty()) return readBackLocked(lock);
    if (digestFill_.awayAt != mutationGeneration_) digestFill_.away.clear();
    digestFill_.awayAt = mutationGeneration_;
    const auto candidates = digestCandidatesLocked();
    if (readDigestsLocked(lock, candidates.chosen, digestFill_.away, digestFill_.failed) > 0)
        noteDigestsStoredLocked();
    saveDigestsLocked(lock, !candidates.more);
    return candidates.more ? DigestFill::more : DigestFill::done;
}

void ScanEngine::noteDigestsStoredLocked() {
    if (!digestFill_.unsavedSince || savesCovered_ > digestFill_.storedAfter)
        digestFill_.unsavedSince = clock_->now();
    digestFill_.storedAfter = saveRequests_;
    notePendingLocked();
}

std::int64_t ScanEngine::readDigestsLocked(Lock& lock, const std::vector<LibraryAsset>& chosen,
                                           std::set<std::string>& away,
                                           std::set<std::string>& failed) {
    std::int64_t stored = 0;
    std::vector<std::pair<LibraryAsset, DigestRead>> unproven;
    const auto nowAway = readFilesLocked(lock, chosen, [&](const LibraryAsset& asset, auto digest) {
        const bool companionsAlone = digestFill_.companionsUnread.erase(asset.id) > 0;
        if (!digest)
            failed.insert(asset.id);
        else if (companionsAlone)
            stored += storeCompanions(index_, asset, *digest);
        else if (const auto taken = storeDigest(index_, asset, *digest); taken == Stored::yes)
            ++stored;
        else if (taken == Stored::unproven)
            unproven.emplace_back(asset, std::move(*digest));
    });
    away.insert(nowAway.begin(), nowAway.end());
    for (auto& [asset, digest] : unproven)
        stored += settleByMeasurementLocked(lock, asset, std::move(digest));
    return stored;
}

// With an index from an earlier build, the files of the photographs the user reviewed are
// read before the first listing is applied, so that their reviews follow a rename made as
// the application starts; the fill reads the rest. One that cannot be read now is left to it.
// A file is read for an entry only where it is the file the entry describes, and its digest
// is taken only while the file stands as it did before the read: another file at the path, as
// after a swap while Keepsift was stopped, is an arrival, reviewed afresh where nothing tells
// which it is. Its digest is taken where the file's status proves it unchanged since the
// index held it, else where the file, measured again, gives the measurement stored. A listing
// wanted meanwhile waits for the reading, so that none is applied before it.
void ScanEngine::readReviewedDigestsLocked(Lock& lock) {
    reviewedDigestsRead_.wait(lock, [&] { return reviewedDigests_ != ReviewedDigests::reading; });
    if (reviewedDigests_ == ReviewedDigests::read) return;
    reviewedDigests_ = ReviewedDigests::reading;
    struct Read {
        ScanEngine& engine;
        ~Read() {
            engine.reviewedDigests_ = ReviewedDigests::read;
            engine.reviewedDigestsRead_.notify_all();
        }
    } read{*this};
    std::vector<std::string> reviewed;
    for (const auto& [id, entry] : index_.entries)
        if (awaitsDigestLocked(id, entry) && holdsUsersReviewLocked(id, entry))
            reviewed.push_back(id);
    const auto lookUp = [&](const std::vector<std::string>& ids) {
        return ids.empty() ? std::vector<LibraryAsset>()
                           : unlocked(lock, [&] { return library_->lookUp(ids); });
    };
    const auto describes = [&](const LibraryAsset& file) {
        const auto found = index_.entries.find(file.id);
        return found != index_.entries.end() && lacksDigest(found->second) &&
               describesFile(found->second, file);
    };
    auto files = lookUp(reviewed);
    std::erase_if(files, [&](const LibraryAsset& file) { return !describes(file); });
    std::map<std::string, std::pair<LibraryAsset, DigestRead>> digests;
    readFilesLocked(lock, files, [&](const LibraryAsset& file, auto digest) {
        if (digest) digests.insert_or_assign(file.id, std::pair{file, std::move(*digest)});
    });
    // Another file at the path now may be the one read; a file gone from it since, renamed as
    // the start reads, is taken for the one looked up.
    for (const auto& now : lookUp(idsOf(digests)))
        if (!unchangedSince(digests.at(now.id).first, now)) digests.erase(now.id);
    bool stored = false;
    for (auto& [id, read] : digests) {
        if (!describes(read.first)) continue;
        IndexEntry& entry = index_.entries.at(id);
        if (provenAsHeld(entry, read.second)) {
            entry.takeDigest(std::move(read.second));
        } else if (!settleByMeasurementLocked(lock, read.first, std::move(read.second))) {
            continue;
        }
        if (const auto now = index_.entries.find(id); now != index_.entries.end())
            restOnMeasuredSize(now->second);
        stored = true;
    }
    if (stored) notePendingLocked();
}

bool ScanEngine::holdsUsersReviewLocked(const std::string& id, const IndexEntry& entry) const {
    return index_.reviewedByUser(entry) || (trashing_ && trashing_->ids.contains(id));
}

// Files whose storage is away are not read, and answered.
std::vector<std::string> ScanEngine::readFilesLocked(Lock& lock,
                                                     const std::vector<LibraryAsset>& chosen,
                                                     const FileRead& take) {
    if (chosen.empty()) return {};
    const auto away = unlocked(lock, [&] { return library_->unavailable(idsOf(chosen)); });
    const std::set<std::string> skipped(away.begin(), away.end());
    for (const auto& asset : chosen)
        if (!skipped.contains(asset.id))
            take(asset, unlocked(lock, [&] { return library_->readDigest(asset.id); }));
    return away;
}

// A save holds the digests stored before it was asked for; one is asked for only once the
// fill ends, or when the oldest digest no save holds has waited long enough.
void ScanEngine::saveDigestsLocked(Lock& lock, bool ended) {
    const auto& since = digestFill_.unsavedSince;
    if (!since || savesCovered_ > digestFill_.storedAfter) return;
    if (ended || clock_->now().since(*since) >= digestSaveInterval) saveLocked(lock);
}

bool ScanEngine::awaitsDigestLocked(const std::string& id, const IndexEntry& entry) const {
    return (lacksDigest(entry) || digestFill_.companionsUnread.contains(id)) &&
           !digestFill_.failed.contains(id) && !digestFill_.away.contains(id);
}

// The assets to read next, in order, as many as one step reads.
ScanEngine::DigestCandidates ScanEngine::digestCandidatesLocked() {
    auto& upcoming = digestFill_.upcoming;
    if (upcoming.empty() || digestFill_.orderedAt != mutationGeneration_) orderDigestsLocked();
    ReadStep step;
    while (!upcoming.empty() && !step.full()) {
        const auto found = index_.entries.find(upcoming.front());
        upcoming.pop_front();
        if (found == index_.entries.end() || !awaitsDigestLocked(found->first, found->second))
            continue;
        step.add(found->second.asset);
    }
    return {std::move(step.chosen), !upcoming.empty() || digestFill_.beyond};
}

// By rank, for many steps at once and again after any change, so that a long fill walks the
// whole index only now and then.
void ScanEngine::orderDigestsLocked() {
    std::array<std::vector<const std::string*>, 4> ranked;
    std::size_t found = 0;
    for (const auto& [id, entry] : index_.entries) {
        if (!awaitsDigestLocked(id, entry)) continue;
        ++found;
        auto& rank = ranked[rankOf(entry)];
        if (rank.size() < digestsAhead) rank.push_back(&id);
    }
    auto& upcoming = digestFill_.upcoming;
    upcoming.clear();
    for (const auto& rank : ranked)
        for (const std::string* id : rank)
            if (upcoming.size() < digestsAhead) upcoming.push_back(*id);
    digestFill_.beyond = found > upcoming.size();
    digestFill_.orderedAt = mutationGeneration_;
}

} // namespace keepsift
