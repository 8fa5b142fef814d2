#include <algorithm>
#include <map>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "core/index/FileAtPath.hpp"
#include "core/index/LibraryIndex.hpp"
#include "core/index/ReturnMatching.hpp"
#include "core/support/Unicode.hpp"

namespace keepsift {
namespace {

// By their NFC forms, each made once: a first reconciliation sorts the whole library.
void sortIdentifiers(std::vector<std::string>& ids) {
    std::vector<std::pair<std::string, std::string>> keyed;
    keyed.reserve(ids.size());
    for (auto& id : ids)
        keyed.emplace_back(unicode::nfc(id), std::move(id));
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < ids.size(); ++i)
        ids[i] = std::move(keyed[i].second);
}

void dropStaleSignals(IndexEntry& entry) {
    entry.signals.reset();
    entry.contentDigest.reset();
    entry.state = ReviewState::pending;
    entry.reason.reset();
    entry.groupID.reset();
    entry.needsOriginal = false;
}

bool flagsDiffer(const IndexEntry& entry, const LibraryAsset& asset) {
    return entry.signals && (entry.signals->isFavourite != asset.isFavourite ||
                             entry.signals->isEdited != asset.isEdited ||
                             entry.signals->isInUserAlbum != asset.isInUserAlbum);
}

void adoptFlags(IndexEntry& entry, const LibraryAsset& asset) {
    if (!entry.signals) return;
    entry.signals->isFavourite = asset.isFavourite;
    entry.signals->isEdited = asset.isEdited;
    entry.signals->isInUserAlbum = asset.isInUserAlbum;
}

void adoptAsset(IndexEntry& entry, const LibraryAsset& asset) {
    entry.asset = asset;
    adoptFlags(entry, asset);
}

// A listed asset against its live entry. A file whose bytes are not known yet keeps the
// identity the entry rests on, and changes nothing, until they are read back.
void reconcileListed(IndexEntry& entry, const LibraryAsset& asset,
                     LibraryIndex::Reconciliation& result, FileAtPath file) {
    if (file == FileAtPath::unsure) {
        auto restedOn = asset;
        restedOn.file = entry.asset.file;
        return reconcileListed(entry, restedOn, result, FileAtPath::same);
    }
    // Modification dates compare at whole seconds (the file keeps no fractions), so
    // an asset with a fractional time does not look changed after every reload.
    if (asset.contentChanged(entry.asset) || file == FileAtPath::other) {
        if (entry.state != ReviewState::pending && entry.asset.isRejected && asset.isRejected)
            result.leftoverLinks.push_back(asset.id);
        dropStaleSignals(entry);
        result.needingFreshSignals.push_back(asset.id);
    } else if (entry.state != ReviewState::pending && entry.asset.isRejected != asset.isRejected) {
        result.rejectionChanged.push_back(asset.id);
    } else if (entry.asset != asset || flagsDiffer(entry, asset)) {
        ++result.updated;
    }
    adoptAsset(entry, asset);
}

// What the listed file is against the entry at its path; content changed is told apart first.
FileAtPath fileListedAt(const IndexEntry& entry, const LibraryAsset& asset,
                        const ContentDigests& read) {
    if (asset.contentChanged(entry.asset)) return FileAtPath::same;
    return fileAtPath(entry, asset, read);
}

// A listed asset with no live entry starts afresh; a deleted entry it replaces gives its
// group back to the review, and the link it had, when it was flagged, is no one's decision.
void storeFresh(LibraryIndex& index, const LibraryAsset& asset,
                LibraryIndex::Reconciliation& result) {
    const auto found = index.entries.find(asset.id);
    if (found != index.entries.end() && found->second.groupID)
        index.ignoredGroups.erase(*found->second.groupID);
    if (found != index.entries.end() && found->second.formerState &&
        isFlagged(*found->second.formerState) && asset.isRejected)
        result.leftoverLinks.push_back(asset.id);
    index.entries.insert_or_assign(asset.id, IndexEntry::fresh(asset));
    result.added.push_back(asset.id);
}

// One listed asset against its entry.
void reconcileAsset(LibraryIndex& index, const LibraryAsset& asset,
                    LibraryIndex::Reconciliation& result) {
    const auto found = index.entries.find(asset.id);
    if (found == index.entries.end() || found->second.state == ReviewState::deleted)
        storeFresh(index, asset, result);
    else
        reconcileListed(found->second, asset, result, fileListedAt(found->second, asset, {}));
}

// The entry of a photograph that left, given to the same photograph where it is listed
// now: a live entry moves whole, a deleted one gets its decision back.
void storeReturned(LibraryIndex& index, IndexEntry entry, const LibraryAsset& asset,
                   LibraryIndex::Reconciliation& result) {
    LibraryIndex::Return back{entry.asset.id, asset.id, std::nullopt, entry.asset.isRejected};
    if (entry.state == ReviewState::deleted) {
        back.vanishedAt = entry.decidedAt;
        entry.state = entry.formerState.value_or(ReviewState::pending);
        entry.decidedAt = entry.formerDecidedAt;
    }
    entry.formerState.reset();
    entry.formerDecidedAt.reset();
    adoptAsset(entry, asset);
    entry.takeIdentity();
    const auto found = index.entries.find(asset.id);
    if (found != index.entries.end() && found->second.groupID &&
        found->second.groupID != entry.groupID)
        index.ignoredGroups.erase(*found->second.groupID);
    index.entries.insert_or_assign(asset.id, std::move(entry));
    result.returned.push_back(std::move(back));
}

std::map<std::string, std::string> renamedBy(const std::vector<LibraryIndex::Return>& returned) {
    std::map<std::string, std::string> renamed;
    for (const auto& back : returned)
        if (back.from != back.to) renamed.emplace(back.from, back.to);
    return renamed;
}

void sortLists(LibraryIndex::Reconciliation& result) {
    sortIdentifiers(result.added);
    sortIdentifiers(result.needingFreshSignals);
    sortIdentifiers(result.deleted);
    sortIdentifiers(result.rejectionChanged);
    sortIdentifiers(result.leftoverLinks);
    std::sort(result.returned.begin(), result.returned.end(),
              [](const auto& a, const auto& b) { return a.to < b.to; });
}

// A listed photograph without a live entry that may take over the entry of one that left:
// none is stored under its identifier, or one that left remembering its decision. An entry
// Keepsift deleted is never revived, nor is its place given another's.
bool mayReturnOver(const IndexEntry& stored) {
    return stored.state == ReviewState::deleted && stored.formerState;
}

bool mayReturn(const LibraryIndex& index, const LibraryAsset& asset) {
    const auto found = index.entries.find(asset.id);
    return found == index.entries.end() || mayReturnOver(found->second);
}

std::unordered_set<std::string_view> listedIdentifiers(const std::vector<LibraryAsset>& assets) {
    std::unordered_set<std::string_view> seen;
    seen.reserve(assets.size());
    for (const auto& asset : assets)
        seen.insert(asset.id);
    return seen;
}

// Entries of photographs that left, now or earlier, and of those whose path holds another
// file now. Storage away is missed in every listing until it is back: it did not leave now.
std::vector<Departure> departuresFrom(const LibraryIndex& index,
                                      const std::unordered_set<std::string_view>& seen,
                                      const std::set<std::string>& away,
                                      const std::unordered_set<std::string_view>& replaced) {
    std::vector<Departure> departures;
    for (const auto& [id, entry] : index.entries) {
        const bool deleted = entry.state == ReviewState::deleted;
        const bool leftPath = !deleted && replaced.contains(id);
        if (deleted ? !entry.formerState : seen.contains(id) && !leftPath) continue;
        departures.push_back({id, &entry.asset, !deleted && !away.contains(id),
                              entry.contentDigest ? *entry.contentDigest : std::string_view()});
    }
    return departures;
}

// A listed file at a path whose entry it may not be: another size, or replaced or rewritten
// there with the digest of the measured bytes kept. Its entry may have gone elsewhere.
bool maybeReplaced(const IndexEntry& entry, const LibraryAsset& asset) {
    return entry.state != ReviewState::deleted && !asset.contentChanged(entry.asset) &&
           (sizeDiffers(entry, asset) || needsBytesRead(entry, asset));
}

using Arriving = std::unordered_map<std::string_view, const LibraryAsset*>;

// Listed photographs without a live entry, or in the place of another file, paired with the
// entries of photographs that left, where they are the same photograph.
std::vector<ReturnMatch> matchesIn(const LibraryIndex& index, const Arriving& arriving,
                                   const std::unordered_set<std::string_view>& seen,
                                   const std::set<std::string>& away,
                                   const std::unordered_set<std::string_view>& replaced,
                                   const ContentDigests& digests) {
    std::vector<const LibraryAsset*> arrivals;
    for (const auto& [id, asset] : arriving)
        if (replaced.contains(id) || mayReturn(index, *asset)) arrivals.push_back(asset);
    return matchReturns(arrivals, departuresFrom(index, seen, away, replaced), digests);
}

} // namespace

std::set<std::string> LibraryIndex::foundElsewhere(const std::vector<LibraryAsset>& assets,
                                                   const std::set<std::string>& away,
                                                   const ContentDigests& digests) const {
    Arriving arriving;
    for (const auto& asset : assets)
        if (const auto found = entries.find(asset.id);
            found == entries.end() || found->second.state == ReviewState::deleted)
            arriving.insert_or_assign(asset.id, &asset);
    std::set<std::string> departed;
    for (const auto& match :
         matchesIn(*this, arriving, listedIdentifiers(assets), away, {}, digests))
        departed.insert(match.departed);
    return departed;
}

// A file at the path of a live entry whose bytes are not known yet is no departure of that
// entry: its bytes are read here only when it may be a photograph that left.
std::vector<std::string> LibraryIndex::returnCandidates(const std::vector<LibraryAsset>& assets,
                                                        const std::set<std::string>& away,
                                                        const ContentDigests& read) const {
    std::vector<const LibraryAsset*> arrivals;
    std::unordered_set<std::string_view> replaced;
    for (const auto& asset : assets) {
        const auto found = entries.find(asset.id);
        if (found != entries.end() && maybeReplaced(found->second, asset)) {
            const auto file = fileAtPath(found->second, asset, read);
            if (file == FileAtPath::same) continue;
            if (file == FileAtPath::other) replaced.insert(asset.id);
        } else if (found != entries.end() && !mayReturnOver(found->second)) {
            continue;
        }
        arrivals.push_back(&asset);
    }
    if (arrivals.empty()) return {};
    auto candidates = keepsift::returnCandidates(
        arrivals, departuresFrom(*this, listedIdentifiers(assets), away, replaced));
    std::erase_if(candidates, [&](const std::string& id) { return read.contains(id); });
    return candidates;
}

// Listed photographs without a live entry, and files that took the place of another, are
// paired with the entries of photographs that left, now or earlier, before either is taken
// for new, changed or deleted: a rename, move or swap keeps the review, given the same bytes.
LibraryIndex::Reconciliation LibraryIndex::reconcile(const std::vector<LibraryAsset>& assets,
                                                     Date now, const std::set<std::string>& away,
                                                     const ContentDigests& digests) {
    Reconciliation result;
    const auto seen = listedIdentifiers(assets);
    Arriving arriving;
    std::unordered_set<std::string_view> replaced;
    for (const auto& asset : assets) {
        const auto found = entries.find(asset.id);
        if (found != entries.end() && found->second.state != ReviewState::deleted) {
            const auto file = fileListedAt(found->second, asset, digests);
            if (file != FileAtPath::other) {
                reconcileListed(found->second, asset, result, file);
                continue;
            }
            replaced.insert(asset.id);
        }
        arriving.insert_or_assign(asset.id, &asset);
    }
    const auto matches = matchesIn(*this, arriving, seen, away, replaced, digests);
    std::vector<std::pair<IndexEntry, const LibraryAsset*>> returning;
    std::unordered_set<std::string_view> returned;
    for (const auto& match : matches) {
        returned.insert(match.arrival->id);
        returning.emplace_back(std::move(entries.extract(match.departed).mapped()), match.arrival);
    }
    for (auto& [entry, asset] : returning)
        storeReturned(*this, std::move(entry), *asset, result);
    renameGroups(renamedBy(result.returned));
    // In listing order, not the hash order of `arriving`, which would scatter the entries of
    // a first listing over memory for every later pass over the index.
    for (const auto& asset : assets) {
        const auto found = arriving.find(asset.id);
        if (found == arriving.end() || found->second != &asset || returned.contains(asset.id))
            continue;
        // Another file in the place of one whose entry stayed: a changed file.
        if (const auto stayed = entries.find(asset.id);
            replaced.contains(asset.id) && stayed != entries.end())
            reconcileListed(stayed->second, asset, result, FileAtPath::other);
        else
            storeFresh(*this, asset, result);
    }
    for (auto& [id, entry] : entries) {
        if (seen.contains(id) || entry.state == ReviewState::deleted) continue;
        if (away.contains(id)) {
            if (flagsDiffer(entry, entry.asset)) ++result.updated;
            adoptFlags(entry, entry.asset);
            continue;
        }
        markVanished(id, now);
        result.deleted.push_back(id);
    }
    sortLists(result);
    return result;
}

// Every entry is listed as the index holds it, so only the stored flags follow their asset;
// the given assets then replace theirs, the last of an identifier given twice counting.
LibraryIndex::Reconciliation
LibraryIndex::reconcileChanged(const std::vector<LibraryAsset>& assets) {
    const auto given = listedIdentifiers(assets);
    std::size_t updated = 0;
    for (auto& [id, entry] : entries) {
        if (entry.state == ReviewState::deleted || given.contains(id)) continue;
        if (flagsDiffer(entry, entry.asset)) ++updated;
        adoptFlags(entry, entry.asset);
    }
    auto result = reconcileGiven(assets);
    result.updated += updated;
    return result;
}

LibraryIndex::Reconciliation LibraryIndex::reconcileGiven(const std::vector<LibraryAsset>& assets) {
    std::map<std::string_view, const LibraryAsset*> given;
    for (const auto& asset : assets)
        given.insert_or_assign(asset.id, &asset);
    Reconciliation result;
    for (const auto& [id, asset] : given)
        reconcileAsset(*this, *asset, result);
    sortLists(result);
    return result;
}

} // namespace keepsift
