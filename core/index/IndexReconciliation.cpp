#include <algorithm>
#include <map>
#include <string_view>
#include <unordered_set>

#include "core/index/LibraryIndex.hpp"
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

// One listed asset against its entry.
void reconcileAsset(LibraryIndex& index, const LibraryAsset& asset,
                    LibraryIndex::Reconciliation& result) {
    const auto found = index.entries.find(asset.id);
    if (found == index.entries.end() || found->second.state == ReviewState::deleted) {
        if (found != index.entries.end() && found->second.groupID)
            index.ignoredGroups.erase(*found->second.groupID);
        index.entries.insert_or_assign(asset.id, IndexEntry::fresh(asset));
        result.added.push_back(asset.id);
        return;
    }
    IndexEntry& entry = found->second;
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

void sortLists(LibraryIndex::Reconciliation& result) {
    sortIdentifiers(result.added);
    sortIdentifiers(result.needingFreshSignals);
    sortIdentifiers(result.deleted);
    sortIdentifiers(result.rejectionChanged);
}

} // namespace

LibraryIndex::Reconciliation LibraryIndex::reconcile(const std::vector<LibraryAsset>& assets,
                                                     Date now) {
    Reconciliation result;
    std::unordered_set<std::string> seen;
    seen.reserve(assets.size());
    for (const auto& asset : assets) {
        seen.insert(asset.id);
        reconcileAsset(*this, asset, result);
    }
    for (auto& [id, entry] : entries) {
        if (seen.contains(id) || entry.state == ReviewState::deleted) continue;
        setState(ReviewState::deleted, id, now);
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
