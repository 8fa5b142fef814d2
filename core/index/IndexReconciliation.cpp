#include <algorithm>
#include <map>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

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

// A listed asset against its live entry.
void reconcileListed(IndexEntry& entry, const LibraryAsset& asset,
                     LibraryIndex::Reconciliation& result) {
    // Modification dates compare at whole seconds (the file keeps no fractions), so
    // an asset with a fractional time does not look changed after every reload.
    if (asset.contentChanged(entry.asset)) {
        dropStaleSignals(entry);
        result.needingFreshSignals.push_back(asset.id);
    } else if (entry.state != ReviewState::pending && entry.asset.isRejected != asset.isRejected) {
        result.rejectionChanged.push_back(asset.id);
    }
    adoptAsset(entry, asset);
}

// A listed asset with no live entry starts afresh; a deleted entry it replaces gives its
// group back to the review.
void storeFresh(LibraryIndex& index, const LibraryAsset& asset,
                LibraryIndex::Reconciliation& result) {
    const auto found = index.entries.find(asset.id);
    if (found != index.entries.end() && found->second.groupID)
        index.ignoredGroups.erase(*found->second.groupID);
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
        reconcileListed(found->second, asset, result);
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
    std::sort(result.returned.begin(), result.returned.end(),
              [](const auto& a, const auto& b) { return a.to < b.to; });
}

// A listed photograph without a live entry that may take over the entry of one that left:
// none is stored under its identifier, or one that left remembering its decision. An entry
// Keepsift deleted is never revived, nor is its place given another's.
bool mayReturn(const LibraryIndex& index, const LibraryAsset& asset) {
    const auto found = index.entries.find(asset.id);
    return found == index.entries.end() ||
           (found->second.state == ReviewState::deleted && found->second.formerState);
}

std::unordered_set<std::string_view> listedIdentifiers(const std::vector<LibraryAsset>& assets) {
    std::unordered_set<std::string_view> seen;
    seen.reserve(assets.size());
    for (const auto& asset : assets)
        seen.insert(asset.id);
    return seen;
}

// Entries of photographs that left, now or earlier. Storage away is missed in every listing
// until it is back: it did not leave now.
std::vector<Departure> departuresFrom(const LibraryIndex& index,
                                      const std::unordered_set<std::string_view>& seen,
                                      const std::set<std::string>& away) {
    std::vector<Departure> departures;
    for (const auto& [id, entry] : index.entries) {
        const bool deleted = entry.state == ReviewState::deleted;
        if (deleted ? !entry.formerState : seen.contains(id)) continue;
        departures.push_back({id, &entry.asset, !deleted && !away.contains(id),
                              entry.contentDigest ? *entry.contentDigest : std::string_view()});
    }
    return departures;
}

using Arriving = std::unordered_map<std::string_view, const LibraryAsset*>;

// Listed photographs without a live entry paired with the entries of photographs that left,
// where they are the same photograph.
std::vector<ReturnMatch> matchesIn(const LibraryIndex& index, const Arriving& arriving,
                                   const std::unordered_set<std::string_view>& seen,
                                   const std::set<std::string>& away,
                                   const ContentDigests& digests) {
    std::vector<const LibraryAsset*> arrivals;
    for (const auto& [id, asset] : arriving)
        if (mayReturn(index, *asset)) arrivals.push_back(asset);
    return matchReturns(arrivals, departuresFrom(index, seen, away), digests);
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
    for (const auto& match : matchesIn(*this, arriving, listedIdentifiers(assets), away, digests))
        departed.insert(match.departed);
    return departed;
}

std::vector<std::string> LibraryIndex::returnCandidates(const std::vector<LibraryAsset>& assets,
                                                        const std::set<std::string>& away) const {
    std::vector<const LibraryAsset*> arrivals;
    for (const auto& asset : assets)
        if (mayReturn(*this, asset)) arrivals.push_back(&asset);
    if (arrivals.empty()) return {};
    return keepsift::returnCandidates(arrivals,
                                      departuresFrom(*this, listedIdentifiers(assets), away));
}

// Listed photographs without a live entry are paired with the entries of photographs that
// left, now or earlier, before either is taken for new or deleted: a rename or move keeps
// the review, given the same bytes.
LibraryIndex::Reconciliation LibraryIndex::reconcile(const std::vector<LibraryAsset>& assets,
                                                     Date now, const std::set<std::string>& away,
                                                     const ContentDigests& digests) {
    Reconciliation result;
    const auto seen = listedIdentifiers(assets);
    Arriving arriving;
    for (const auto& asset : assets) {
        const auto found = entries.find(asset.id);
        if (found != entries.end() && found->second.state != ReviewState::deleted) {
            reconcileListed(found->second, asset, result);
            continue;
        }
        arriving.insert_or_assign(asset.id, &asset);
    }
    const auto matches = matchesIn(*this, arriving, seen, away, digests);
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
    for (const auto& asset : assets)
        if (const auto found = arriving.find(asset.id);
            found != arriving.end() && found->second == &asset && !returned.contains(asset.id))
            storeFresh(*this, asset, result);
    for (auto& [id, entry] : entries) {
        if (seen.contains(id) || entry.state == ReviewState::deleted) continue;
        if (away.contains(id)) {
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
    for (auto& [id, entry] : entries)
        if (entry.state != ReviewState::deleted) adoptFlags(entry, entry.asset);
    return reconcileGiven(assets);
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
