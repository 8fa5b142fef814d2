#include <map>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "core/engine/ScanEngine.hpp"
#include "core/model/LibraryUnavailable.hpp"
#include "core/support/Logger.hpp"

namespace keepsift {

namespace {

template <class... Handlers> struct Overloaded : Handlers... { using Handlers::operator()...; };
template <class... Handlers> Overloaded(Handlers...) -> Overloaded<Handlers...>;

constexpr int maximumFetches = 3;

} // namespace

LibraryIndex::Reconciliation ScanEngine::reconcileWithLibrary() {
    Lock lock(mutex_);
    return reconcileLocked(lock).result;
}

// A listing that finds the library as the index knows it changes nothing to save; the files
// are still written once after they were read, so that they take this build's form.
ScanEngine::Reconciled ScanEngine::reconcileLocked(Lock& lock) {
    authorization_ = unlocked(lock, [&] { return library_->authorizationStatus(); });
    if (!canRead(authorization_)) return {};
    if (!storageMode_ || *storageMode_ == LibraryStorage::unknown)
        storageMode_ = unlocked(lock, [&] { return library_->storageMode(); });
    readReviewedDigestsLocked(lock);
    const bool albumWasWritten = albumWritesRunning_ > 0;
    const auto albumWritesNoted = albumWritesBegun_;
    const auto assets = fetchListingLocked(lock);
    const auto away = unavailableLocked(lock, assets);
    proveDepartedReviewsLocked(lock, assets);
    const auto digests = returnDigestsLocked(lock, assets, away);
    const bool wasTrashing = trashing_.has_value();
    applyTrashedLocked(assets, away, digests);
    const Date now = clock_->now();
    const auto origin = refillOrigin();
    auto result = index_.reconcile(assets, now, away, digests);
    noteLeftoverLinksLocked(result);
    awaitReadBackLocked(assets);
    const bool changed = wasTrashing || away != away_ || !result.changedNothing();
    away_ = away;
    // Every entry left undeleted was listed, and listing set its flags from its asset.
    allFlagsToFollow_ = false;
    flagsToFollow_.clear();
    for (const auto& id : result.deleted)
        if (auto found = index_.entries.find(id); found != index_.entries.end())
            journal_.record(ReviewJournal::Event::deletedElsewhere, found->second, now);
    if (!std::exchange(departuresLookedFor_, true)) {
        noteDepartedLocked(index_.departedFlagged());
        noteDepartedLocked(unsettledGoneLocked());
    }
    noteDepartedLocked(result.deleted);
    for (const auto& id : result.rejectionChanged)
        if (albumChangeIsUsersLocked(id, index_.entries.at(id).asset.isRejected))
            adoptAlbumChangeLocked(id, now);
    followReturnsLocked(result.returned);
    settleAlbumLocked(lock, away,
                      !albumWasWritten && albumWritesRunning_ == 0 &&
                          albumWritesBegun_ == albumWritesNoted);
    forgetGoneOwnLinksLocked();
    work_.rebuild(index_);
    refillLocked(now, origin);
    if (changed || !lastSaved_)
        markDirtyLocked(lock);
    else
        saveIfDueLocked(lock);
    return {std::move(result), true, changed};
}

// A photograph found again was only renamed or moved: its journaled deletion is taken back,
// and the album is brought to where it is now (the library reports a link to its old place
// as gone, which is no decision of the user's).
void ScanEngine::followReturnsLocked(const std::vector<LibraryIndex::Return>& returned) {
    if (returned.empty()) return;
    std::vector<std::pair<std::string, Date>> vanished;
    std::vector<std::string> left;
    for (const auto& back : returned) {
        if (back.vanishedAt) vanished.emplace_back(back.from, *back.vanishedAt);
        if (back.from == back.to) continue;
        queue_.remove(back.from);
        left.push_back(back.from);
    }
    journal_.withdrawDeletedElsewhere(vanished);
    // A link at the old place leads nowhere now: Keepsift's, or one the user made there that
    // no listing read before the file moved.
    noteDepartedLocked(left);
    if (albumDiffersLocked()) albumNeedsSync_ = true;
}

// The bytes of only those listed photographs that may be ones that left are read, besides
// those read back since the last listing. One the index no longer takes for a candidate once
// relocked simply starts afresh.
ContentDigests ScanEngine::returnDigestsLocked(Lock& lock, const std::vector<LibraryAsset>& assets,
                                               const std::set<std::string>& away) {
    auto digests = readBackFoundLocked(assets);
    const auto candidates = index_.returnCandidates(assets, away, digests);
    if (candidates.empty()) return digests;
    unlocked(lock, [&] {
        for (const auto& id : candidates)
            if (auto digest = library_->contentDigest(id)) digests.emplace(id, std::move(*digest));
    });
    return digests;
}

// A listing older than a change made while it was fetched is fetched again.
std::vector<LibraryAsset> ScanEngine::fetchListingLocked(Lock& lock) {
    auto noted = listingStampLocked();
    auto assets = unlocked(lock, [&] { return library_->fetchAssets(); });
    for (int fetches = 1; fetches < maximumFetches && listingStampLocked() != noted; ++fetches) {
        noted = listingStampLocked();
        assets = unlocked(lock, [&] { return library_->fetchAssets(); });
    }
    return assets;
}

// Photographs whose storage went away (an unmounted drive) stay as the index knows them: not
// deleted, their decisions kept, until they are listed again or found elsewhere.
std::set<std::string> ScanEngine::unavailableLocked(Lock& lock,
                                                    const std::vector<LibraryAsset>& assets) {
    std::vector<std::string> missing;
    {
        std::unordered_set<std::string_view> listed;
        listed.reserve(assets.size());
        for (const auto& asset : assets)
            listed.insert(asset.id);
        for (const auto& [id, entry] : index_.entries)
            if (entry.state != ReviewState::deleted && !listed.contains(id)) missing.push_back(id);
    }
    if (missing.empty()) return {};
    const auto away = unlocked(lock, [&] { return library_->unavailable(missing); });
    return {away.begin(), away.end()};
}

LibraryChangeStream ScanEngine::libraryChanges() {
    return library_->changes();
}

bool ScanEngine::handleLibraryChange(const LibraryChange& libraryChange) {
    Lock lock(mutex_);
    ++mutationGeneration_;
    if (std::holds_alternative<change::NeedsRefresh>(libraryChange)) return refreshLocked(lock);
    const Date now = clock_->now();
    std::visit(Overloaded{
                   [&](const change::AssetsAdded& c) { handleAssetsLocked(c.assets, now); },
                   [&](const change::AssetsChanged& c) { handleAssetsLocked(c.assets, now); },
                   [&](const change::AssetsDeleted& c) { handleDeletedLocked(c.ids, now); },
                   [&](const change::RejectsAlbumChanged& c) {
                       handleAlbumLocked(lock, c.added, c.removed, now);
                   },
                   [&](const change::AuthorizationChanged& c) { authorization_ = c.status; },
                   [](const change::NeedsRefresh&) {},
               },
               libraryChange);
    markDirtyLocked(lock);
    return true;
}

// A listing marks the state dirty itself, when it changed something.
bool ScanEngine::refreshLocked(Lock& lock) {
    try {
        const auto reconciled = reconcileLocked(lock);
        if (reconciled.listed) return reconciled.changed;
    } catch (const LibraryUnavailable&) {
        // The caller tells the user; the next refresh tries again.
        throw;
    } catch (const std::exception& error) {
        // The next refresh tries again; the error is not lost meanwhile.
        Logger("com.ambervale.keepsift", "engine")
            .error(std::string("refresh failed: ") + error.what());
    } catch (...) {
        Logger("com.ambervale.keepsift", "engine").error("refresh failed");
    }
    markDirtyLocked(lock);
    return false;
}

// Reconciled against the index's own picture of the library, so only the given photographs
// change; no listing of the whole library is built, nor left for the allocator to sort out
// on the next snapshot.
void ScanEngine::handleAssetsLocked(const std::vector<LibraryAsset>& assets, Date now) {
    std::set<std::string> ids;
    for (const auto& asset : assets) {
        ids.insert(asset.id);
        away_.erase(asset.id);
    }
    for (const auto& id : ids)
        if (auto found = index_.entries.find(id); found != index_.entries.end())
            work_.forget(found->second);
    const auto result = reconcileChangedLocked(assets);
    for (const auto& id : ids)
        if (auto found = index_.entries.find(id); found != index_.entries.end())
            work_.note(found->second);
    for (const auto* ids : {&result.added, &result.needingFreshSignals})
        for (const auto& id : *ids)
            queue_.enqueue(ScanQueue::Item{id, now, ScanQueue::Origin::arrival, std::nullopt});
}

// The index's own reconciliation of changed assets, with the flags of only the entries
// that may need it brought to their asset first.
LibraryIndex::Reconciliation
ScanEngine::reconcileChangedLocked(const std::vector<LibraryAsset>& assets) {
    if (allFlagsToFollow_) {
        allFlagsToFollow_ = false;
        flagsToFollow_.clear();
        return index_.reconcileChanged(assets);
    }
    for (const auto& id : flagsToFollow_) {
        auto found = index_.entries.find(id);
        if (found == index_.entries.end()) continue;
        IndexEntry& entry = found->second;
        if (entry.state == ReviewState::deleted || !entry.signals) continue;
        entry.signals->isFavourite = entry.asset.isFavourite;
        entry.signals->isEdited = entry.asset.isEdited;
        entry.signals->isInUserAlbum = entry.asset.isInUserAlbum;
    }
    flagsToFollow_.clear();
    return index_.reconcileGiven(assets);
}

void ScanEngine::handleDeletedLocked(const std::vector<std::string>& ids, Date now) {
    for (const auto& id : ids) {
        auto found = index_.entries.find(id);
        if (found == index_.entries.end() || found->second.state == ReviewState::deleted) continue;
        journal_.record(ReviewJournal::Event::deletedElsewhere, found->second, now);
        changeEntryLocked(id, [&] { index_.markVanished(id, now); });
        queue_.remove(id);
        noteDepartedLocked({id});
    }
}

// A photograph taken out of the album is the user's decision only while its file is there:
// the link of one removed leads nowhere, and the listing that finds it gone says so.
void ScanEngine::handleAlbumLocked(Lock& lock, const std::vector<std::string>& added,
                                   const std::vector<std::string>& removed, Date now) {
    const std::set<std::string> addedIDs(added.begin(), added.end());
    std::vector<std::string> takenOut;
    for (const auto* ids : {&added, &removed})
        for (const auto& id : *ids) {
            const auto found = index_.entries.find(id);
            const bool member = addedIDs.count(id) > 0;
            // A report of what the engine already knew (a listing showed it first) is no
            // change of the user's: a link left by a removed photograph that leads to another
            // file at its path is the engine's to take out.
            const bool known =
                found != index_.entries.end() && found->second.asset.isRejected == member;
            // A report of the engine's own write changes nothing more: the write set the flags
            // as it returned, and the report, seen before a later write, may be older than it.
            if (ownWrites_.erase(id) > 0) continue;
            // Nor does one of a photograph whose membership is unsettled.
            const bool users = albumChangeIsUsersLocked(id, member) && !known;
            if (users && !member && found != index_.entries.end()) {
                takenOut.push_back(id);
                continue;
            }
            setRejectedFlagsLocked({id}, member);
            if (users) adoptAlbumChangeLocked(id, now);
        }
    if (takenOut.empty()) return;
    for (const auto& id : unlocked(lock, [&] { return library_->present(takenOut); })) {
        if (unsettled_.contains(id)) continue;
        setRejectedFlagsLocked({id}, false);
        adoptAlbumChangeLocked(id, now);
    }
}

void ScanEngine::adoptAlbumChange(const std::string& id, Date at) {
    std::lock_guard lock(mutex_);
    adoptAlbumChangeLocked(id, at);
}

void ScanEngine::adoptAlbumChangeLocked(const std::string& id, Date at) {
    auto found = index_.entries.find(id);
    if (found == index_.entries.end()) return;
    const IndexEntry& entry = found->second;
    if (entry.state == ReviewState::pending || entry.state == ReviewState::deleted) return;
    const bool member = entry.asset.isRejected;
    const bool flagged = isFlagged(entry.state);
    // A link the user made before the engine linked a photograph it flagged is the user's
    // flag as well.
    if (member == flagged && !(member && entry.state == ReviewState::flagged)) return;
    takeAlbumDecisionLocked(id, member, at);
}

// A decision the user made in the album, saved without waiting for the interval: killed, and
// its file moved before the next start, its link would no longer lead to it.
void ScanEngine::takeAlbumDecisionLocked(const std::string& id, bool flag, Date at) {
    const auto state = flag ? ReviewState::flaggedByHand : ReviewState::keptByHand;
    changeEntryLocked(id, [&] { index_.setState(state, id, at); });
    notePendingLocked();
    albumDecisionUnsaved_ = true;
    journal_.record(flag ? ReviewJournal::Event::overriddenToFlag
                         : ReviewJournal::Event::unflaggedElsewhere,
                    index_.entries.at(id), at);
}

std::vector<LibraryAsset>
ScanEngine::libraryListing(const std::vector<LibraryAsset>& applying) const {
    std::lock_guard lock(mutex_);
    return libraryListingLocked(applying);
}

// The index's picture of the library with the given assets applied, so that one changed
// photograph is reconciled against the whole library and no other is taken for deleted.
std::vector<LibraryAsset>
ScanEngine::libraryListingLocked(const std::vector<LibraryAsset>& applying) const {
    std::map<std::string_view, const LibraryAsset*> given;
    for (const auto& asset : applying)
        given.insert_or_assign(asset.id, &asset);
    std::vector<LibraryAsset> listing;
    listing.reserve(index_.entries.size() + given.size());
    for (const auto& [id, entry] : index_.entries) {
        auto replaced = given.find(id);
        if (replaced != given.end()) {
            listing.push_back(*replaced->second);
            given.erase(replaced);
        } else if (entry.state != ReviewState::deleted) {
            listing.push_back(entry.asset);
        }
    }
    for (const auto& [id, asset] : given)
        listing.push_back(*asset);
    return listing;
}

} // namespace keepsift
