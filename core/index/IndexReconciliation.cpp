#include <algorithm>
#include <iterator>
#include <map>
#include <set>
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

// Measured bytes no digest names, listed with a status that does not prove them still there:
// the file moved or was touched since, or its status was never kept.
bool measuredBytesUnproven(const IndexEntry& entry, const LibraryAsset& listed) {
    return entry.signals && !entry.contentDigest && listed.file &&
           (!entry.asset.file || listed.fileMoved(entry.asset));
}

bool anotherFile(const IndexEntry& entry, const LibraryAsset& listed) {
    return listed.file && entry.asset.file && otherFiles(*listed.file, *entry.asset.file);
}

// The album's link to a file found replaced or rewritten: left behind by the file before, or
// the user's flag on the one there now. Keepsift's own was made for the bytes it measured. The
// user's speaks for the file as it was when made, where the times tell: only one proven made
// since the change flags the file there now. Elsewhere a link already listed on a decided
// photograph, or on another file, was made before.
bool linkLeftBehind(const IndexEntry& entry, const LibraryAsset& asset, const OwnLinks& own) {
    if (!asset.isRejected) return false;
    if (own.holds(asset.id) && entry.asset.isRejected) return true;
    if (const auto since = asset.linkedSinceChange()) return !*since;
    const bool linkedBefore = entry.state != ReviewState::pending || anotherFile(entry, asset);
    return linkedBefore && entry.asset.isRejected;
}

// A photograph never measured has no bytes to tell its file by: replaced or rewritten since it
// was listed, with the link not proven made since, the file is taken as another, so that the
// link flags no picture the user never saw.
bool linkOutlivedUnmeasured(const IndexEntry& entry, const LibraryAsset& listed) {
    return entry.state == ReviewState::pending && !entry.contentDigest && listed.isRejected &&
           listed.fileMoved(entry.asset) && listed.linkedSinceChange() == false;
}

// Another picture than the one measured: its review goes, and it is measured afresh. Its link
// is judged by the file as listed.
void takeAsChanged(IndexEntry& entry, const LibraryAsset& asset,
                   LibraryIndex::Reconciliation& result, const OwnLinks& own,
                   const LibraryAsset& listed) {
    if (linkLeftBehind(entry, listed, own)) result.leftoverLinks.push_back(asset.id);
    entry.dropMeasurement();
    result.needingFreshSignals.push_back(asset.id);
}

// A listed asset against its live entry. A file whose bytes are not known yet keeps the
// identity the entry rests on, and changes nothing, until they are read back.
void reconcileListed(IndexEntry& entry, const LibraryAsset& asset,
                     LibraryIndex::Reconciliation& result, FileAtPath file, const OwnLinks& own,
                     const LibraryAsset* listed = nullptr) {
    if (file == FileAtPath::unsure) {
        auto restedOn = asset;
        restedOn.file = entry.asset.file;
        // A link new since, not proven made since the change, may have been left there by the
        // reviewed bytes: it waits for them too.
        if (!entry.asset.isRejected && asset.linkedSinceChange() == false) {
            restedOn.isRejected = false;
            restedOn.linkedNs = entry.asset.linkedNs;
        }
        return reconcileListed(entry, restedOn, result, FileAtPath::same, own, &asset);
    }
    // Modification dates compare at whole seconds (the file keeps no fractions), so
    // an asset with a fractional time does not look changed after every reload.
    const LibraryAsset& found = listed ? *listed : asset;
    if (asset.contentChanged(entry.asset) || file == FileAtPath::other ||
        linkOutlivedUnmeasured(entry, found)) {
        takeAsChanged(entry, asset, result, own, found);
    } else if (entry.state != ReviewState::pending && entry.asset.isRejected != asset.isRejected) {
        result.rejectionChanged.push_back(asset.id);
    } else if (entry.asset != asset || flagsDiffer(entry, asset)) {
        ++result.updated;
    }
    if (measuredBytesUnproven(entry, asset)) entry.measureAgain = true;
    adoptAsset(entry, asset);
}

// What the listed file is against the entry at its path. Content changed is another file:
// the entry's bytes may have gone elsewhere, or another's come here.
FileAtPath fileListedAt(const IndexEntry& entry, const LibraryAsset& asset,
                        const ContentDigests& read) {
    if (asset.contentChanged(entry.asset)) return FileAtPath::other;
    return fileAtPath(entry, asset, read);
}

// A link made before the file there now changed last was made for none of its bytes. At the
// index's first listing nothing is known of before, and the album's links stand as they are.
bool linkedBeforeFile(const LibraryIndex& index, const LibraryAsset& asset) {
    return index.listings > 0 && asset.isRejected && asset.linkedBeforeChange();
}

// A listed asset with no live entry starts afresh; a deleted entry it replaces gives its
// group back to the review, and the link it had, when it was flagged, is no one's decision.
void storeFresh(LibraryIndex& index, const LibraryAsset& asset,
                LibraryIndex::Reconciliation& result) {
    const auto found = index.entries.find(asset.id);
    if (found != index.entries.end() && found->second.groupID)
        index.ignoredGroups.erase(*found->second.groupID);
    const bool leftByFlag = found != index.entries.end() && found->second.formerState &&
                            isFlagged(*found->second.formerState) && asset.isRejected;
    if (leftByFlag || linkedBeforeFile(index, asset)) result.leftoverLinks.push_back(asset.id);
    auto entry = IndexEntry::fresh(asset);
    // The count moves on once the listing is in.
    entry.firstListing = index.listings + 1;
    index.entries.insert_or_assign(asset.id, std::move(entry));
    result.added.push_back(asset.id);
}

// One listed asset against its entry.
void reconcileAsset(LibraryIndex& index, const LibraryAsset& asset,
                    LibraryIndex::Reconciliation& result) {
    const auto found = index.entries.find(asset.id);
    if (found == index.entries.end() || found->second.state == ReviewState::deleted)
        storeFresh(index, asset, result);
    else
        reconcileListed(found->second, asset, result, fileListedAt(found->second, asset, {}),
                        index.ownLinks);
}

// The entry of a photograph that left, given to the same photograph where it is listed
// now: a live entry moves whole, a deleted one gets its decision back. Another file holding
// those bytes (a copy) is first listed now, as a new file is, so that it may still take a
// review that leaves later; the same file keeps when it was first listed. Answers whether
// the entry was stamped with this listing.
bool storeReturned(LibraryIndex& index, IndexEntry entry, const LibraryAsset& asset,
                   LibraryIndex::Reconciliation& result) {
    LibraryIndex::Return back{entry.asset.id, asset.id, std::nullopt};
    const bool listedNow = anotherFile(entry, asset);
    if (listedNow) entry.firstListing = index.listings + 1;
    if (entry.state == ReviewState::deleted) {
        back.vanishedAt = entry.decidedAt;
        entry.state = entry.formerState.value_or(ReviewState::pending);
        entry.decidedAt = entry.formerDecidedAt;
    }
    entry.formerState.reset();
    entry.formerDecidedAt.reset();
    // A link the user made at its new place, proven made since the file came there, is their
    // flag on it; Keepsift's own still leads to the old place.
    if (entry.state != ReviewState::pending && !entry.asset.isRejected && asset.isRejected &&
        asset.linkedSinceChange() == true)
        result.rejectionChanged.push_back(asset.id);
    adoptAsset(entry, asset);
    entry.takeIdentity();
    const auto found = index.entries.find(asset.id);
    if (found != index.entries.end() && found->second.groupID &&
        found->second.groupID != entry.groupID)
        index.ignoredGroups.erase(*found->second.groupID);
    index.entries.insert_or_assign(asset.id, std::move(entry));
    result.returned.push_back(std::move(back));
    return listedNow;
}

// Another file in the place of a photograph whose entry stays there: reviewed afresh and, a
// file of another number (a hard link a de-duplication tool made there), first listed now as a
// new file is, so that it may still take a review of its bytes that leaves later. Answers
// whether the entry was stamped with this listing.
bool storeReplaced(LibraryIndex& index, IndexEntry& entry, const LibraryAsset& asset,
                   LibraryIndex::Reconciliation& result) {
    const bool listedNow = anotherFile(entry, asset);
    reconcileListed(entry, asset, result, FileAtPath::other, index.ownLinks);
    if (listedNow) entry.firstListing = index.listings + 1;
    return listedNow;
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

// A listed photograph whose entry holds no decision of the user's. Its file may be the new place
// of a reviewed one that left (linked or copied there before the old name was removed), and
// then takes that review over. A group kept whole made every member it had then kept by hand;
// one that joined it since was decided by Keepsift, as a copy made to move a folder is.
bool mayTakeOver(const IndexEntry& entry) {
    return entry.state != ReviewState::deleted && !isSetByHand(entry.state);
}

Arrival listedWith(const LibraryAsset& asset, const IndexEntry& entry) {
    return {&asset, entry.firstListing};
}

// Files listed where another file's bytes were reviewed, by identifier.
using Replaced = std::unordered_map<std::string_view, const LibraryAsset*>;

// Whether the entry's file is still the one at its path, with other bytes written into it.
bool rewrittenInPlace(const IndexEntry& entry, const Replaced& replaced, std::string_view id) {
    const auto found = replaced.find(id);
    return found != replaced.end() && found->second->file && entry.asset.file &&
           oneFile(*found->second->file, *entry.asset.file);
}

// Entries of photographs that left, now or earlier, and of those whose path holds another
// file now. Storage away is missed in every listing until it is back: it did not leave now.
// A file at its path with other times may still hold the bytes reviewed there: its review
// passes to no photograph listed with an entry of its own, nor does one that left earlier,
// which the listing that found it gone gave to no such photograph.
std::vector<Departure> departuresFrom(const LibraryIndex& index,
                                      const std::unordered_set<std::string_view>& seen,
                                      const std::set<std::string>& away, const Replaced& replaced) {
    std::vector<Departure> departures;
    for (const auto& [id, entry] : index.entries) {
        const bool deleted = entry.state == ReviewState::deleted;
        const bool leftPath = !deleted && replaced.contains(id);
        if (deleted ? !entry.formerState : seen.contains(id) && !leftPath) continue;
        const bool leftNow = !deleted && !away.contains(id);
        departures.push_back({id, &entry.asset, leftNow,
                              entry.contentDigest ? *entry.contentDigest : std::string_view(),
                              leftNow && !leftPath, entry.reviewListing,
                              deleted ? *entry.formerState : entry.state,
                              leftPath && rewrittenInPlace(entry, replaced, id)});
    }
    return departures;
}

// A listed file at a path whose entry it may not be: its content changed, another size, or
// replaced or rewritten there with the digest of the measured bytes kept. Its entry may have
// gone elsewhere.
bool maybeReplaced(const IndexEntry& entry, const LibraryAsset& asset) {
    return entry.state != ReviewState::deleted &&
           (asset.contentChanged(entry.asset) || sizeDiffers(entry, asset) ||
            needsBytesRead(entry, asset));
}

// The earliest review that left in this listing for a file listed since to take: files listed
// before it take none, so that a listing finding one file gone looks at no other.
std::optional<std::int64_t> earliestPassing(const std::vector<Departure>& departures) {
    std::optional<std::int64_t> earliest;
    for (const Departure& departure : departures)
        earliest = earlierPassing(earliest, departure);
    return earliest;
}

// A listed file that may take over a review that left in this listing.
bool mayTakeLeaving(const LibraryAsset& asset, const IndexEntry& entry,
                    std::optional<std::int64_t> earliest) {
    return listedAfterReview(listedWith(asset, entry), earliest) && mayTakeOver(entry);
}

// A listed file that stays with its entry, and what it is against that entry. One whose times
// moved that was read holding the entry's bytes (a copy whose times `cp -a` put back after a
// listing found it) stays too: it may take a review that left, and else keeps its own as a
// file found again.
struct Stay {
    const LibraryAsset* asset;
    IndexEntry* entry;
    FileAtPath file;
    bool touched = false;
};
using Staying = std::vector<Stay>;

bool touchedHoldingItsBytes(const IndexEntry& entry, const LibraryAsset& asset,
                            const ContentDigests& read) {
    const auto digest = read.find(asset.id);
    return entry.contentDigest && digest != read.end() && digest->second == *entry.contentDigest &&
           !sizeDiffers(entry, asset);
}

// Those of the staying files that may take over a review that left in this listing, of known
// bytes: digested in `known`, where the stored digest is added for a file not read (until it
// is, it is taken for what it was).
std::vector<Arrival> takersAmong(const Staying& staying, const std::vector<Departure>& departures,
                                 ContentDigests& known) {
    std::vector<Arrival> takers;
    const auto earliest = earliestPassing(departures);
    if (!earliest) return takers;
    for (const Stay& stay : staying) {
        const auto* asset = stay.asset;
        const auto* entry = stay.entry;
        if (!mayTakeLeaving(*asset, *entry, earliest)) continue;
        if (!known.contains(asset->id)) {
            if (!entry->contentDigest) continue;
            known.emplace(asset->id, *entry->contentDigest);
        }
        takers.push_back(listedWith(*asset, *entry));
    }
    return takers;
}

// A keep by hand of a name that left, made on the file a staying name lists: one number on one
// drive holding the bytes reviewed, a second name of that file (a folder mounted again, which
// earlier builds listed twice, or a hard link). The keep is the photograph's and wins over a
// flag. A flag by hand does not pass: a de-duplication tool's hard link looks the same, and a
// flag passed there could land on the last copy of the picture.
bool takesKeepOfSecondName(const IndexEntry& left, const IndexEntry& staying,
                           const ContentDigests& digests) {
    if (left.state != ReviewState::keptByHand || staying.state == ReviewState::keptByHand ||
        !left.asset.file || !staying.asset.file || !left.contentDigest ||
        !oneFile(*left.asset.file, *staying.asset.file))
        return false;
    const auto read = digests.find(staying.asset.id);
    const std::optional<std::string> digest =
        read != digests.end() ? std::optional(read->second) : staying.contentDigest;
    return digest == left.contentDigest;
}

void passKeepsOfSecondNames(LibraryIndex& index, const Staying& staying,
                            const std::unordered_set<std::string_view>& seen,
                            const std::set<std::string>& away, const ContentDigests& digests,
                            Date now, LibraryIndex::Reconciliation& result) {
    std::vector<const IndexEntry*> left;
    for (const auto& [id, entry] : index.entries)
        if (entry.state == ReviewState::keptByHand && entry.asset.file && !seen.contains(id) &&
            !away.contains(id))
            left.push_back(&entry);
    if (left.empty()) return;
    std::multimap<std::int64_t, std::string_view> byNumber;
    for (const Stay& stay : staying)
        if (stay.asset->file) byNumber.emplace(stay.asset->file->number, stay.asset->id);
    for (const IndexEntry* kept : left) {
        const auto [first, last] = byNumber.equal_range(kept->asset.file->number);
        for (auto name = first; name != last; ++name) {
            const auto found = index.entries.find(std::string(name->second));
            if (found == index.entries.end() ||
                !takesKeepOfSecondName(*kept, found->second, digests))
                continue;
            index.setState(ReviewState::keptByHand, found->first, kept->decidedAt.value_or(now));
            ++result.updated;
        }
    }
}

using Arriving = std::unordered_map<std::string_view, const LibraryAsset*>;

// The files, by number on a known drive, of photographs listed with their entries.
using FilesListed = std::set<std::pair<std::int64_t, std::int64_t>>;

FilesListed filesOf(const Staying& staying) {
    FilesListed files;
    for (const Stay& stay : staying)
        if (stay.asset->file && stay.asset->file->fileSystem != 0)
            files.emplace(stay.asset->file->number, stay.asset->file->fileSystem);
    return files;
}

bool isListed(const FilesListed& files, const LibraryAsset& asset) {
    return asset.file && asset.file->fileSystem != 0 &&
           files.contains({asset.file->number, asset.file->fileSystem});
}

// Listed photographs without a live entry, or in the place of another file, and the given
// `arrivals`, paired with the entries of photographs that left, where they are the same
// photograph.
std::vector<ReturnMatch> matchesIn(const LibraryIndex& index, const Arriving& arriving,
                                   const Replaced& replaced,
                                   const std::vector<Departure>& departures,
                                   std::vector<Arrival> arrivals, const ContentDigests& digests,
                                   const FilesListed& staying = {}) {
    for (const auto& [id, asset] : arriving)
        if (replaced.contains(id) || mayReturn(index, *asset))
            arrivals.push_back({asset, std::nullopt, isListed(staying, *asset)});
    return matchReturns(arrivals, departures, digests);
}

} // namespace

LibraryIndex::Reconciliation LibraryIndex::measuredOtherwise(const std::string& id) {
    Reconciliation result;
    const auto found = entries.find(id);
    if (found == entries.end() || found->second.state == ReviewState::deleted) return result;
    const LibraryAsset asset = found->second.asset;
    takeAsChanged(found->second, asset, result, ownLinks, asset);
    return result;
}

std::set<std::string> LibraryIndex::foundElsewhere(const std::vector<LibraryAsset>& assets,
                                                   const std::set<std::string>& away,
                                                   const ContentDigests& digests) const {
    Arriving arriving;
    for (const auto& asset : assets)
        if (const auto found = entries.find(asset.id);
            found == entries.end() || found->second.state == ReviewState::deleted)
            arriving.insert_or_assign(asset.id, &asset);
    std::set<std::string> departed;
    const auto departures = departuresFrom(*this, listedIdentifiers(assets), away, {});
    for (const auto& match : matchesIn(*this, arriving, {}, departures, {}, digests))
        departed.insert(match.departed);
    return departed;
}

// A file at the path of a live entry whose bytes are not known yet is no departure of that
// entry: its bytes are read here only when it may be a photograph that left.
std::vector<std::string> LibraryIndex::returnCandidates(const std::vector<LibraryAsset>& assets,
                                                        const std::set<std::string>& away,
                                                        const ContentDigests& read) const {
    std::vector<Arrival> arrivals;
    std::vector<std::pair<const LibraryAsset*, const IndexEntry*>> unread;
    Replaced replaced;
    for (const auto& asset : assets) {
        const auto found = entries.find(asset.id);
        if (found != entries.end() && maybeReplaced(found->second, asset)) {
            const auto file = fileListedAt(found->second, asset, read);
            if (file == FileAtPath::same) continue;
            if (file == FileAtPath::other) replaced.emplace(asset.id, &asset);
        } else if (found != entries.end() && !mayReturnOver(found->second)) {
            // Not measured yet: only its bytes tell whether it took the place of one that left.
            if (!found->second.contentDigest && mayTakeOver(found->second))
                unread.emplace_back(&asset, &found->second);
            continue;
        }
        arrivals.push_back({&asset, std::nullopt});
    }
    if (arrivals.empty() && unread.empty()) return {};
    const auto departures = departuresFrom(*this, listedIdentifiers(assets), away, replaced);
    const auto earliest = earliestPassing(departures);
    for (const auto& [asset, entry] : unread)
        if (mayTakeLeaving(*asset, *entry, earliest))
            arrivals.push_back(listedWith(*asset, *entry));
    auto candidates = keepsift::returnCandidates(arrivals, departures);
    std::erase_if(candidates, [&](const std::string& id) { return read.contains(id); });
    return candidates;
}

// Listed photographs without a live entry, and files that took the place of another, are
// paired with the entries of photographs that left, now or earlier, before either is taken
// for new, changed or deleted: a rename, move or swap keeps the review, given the same bytes.
// So may a listed photograph with no review of the user's take one that left now, when it was
// first listed after that review was made: a move made by a link or a copy, the old name
// removed after a listing found the new one. Listings that add entries are counted, and each
// new entry stamped with the count, so that a later review is told from an earlier one.
LibraryIndex::Reconciliation LibraryIndex::reconcile(const std::vector<LibraryAsset>& assets,
                                                     Date now, const std::set<std::string>& away,
                                                     const ContentDigests& digests) {
    Reconciliation result;
    const auto seen = listedIdentifiers(assets);
    Arriving arriving;
    Replaced replaced;
    Staying staying;
    for (const auto& asset : assets) {
        const auto found = entries.find(asset.id);
        if (found != entries.end() && found->second.state != ReviewState::deleted) {
            const auto file = fileListedAt(found->second, asset, digests);
            if (file != FileAtPath::other) {
                staying.push_back({&asset, &found->second, file});
                continue;
            }
            if (touchedHoldingItsBytes(found->second, asset, digests)) {
                staying.push_back({&asset, &found->second, FileAtPath::same, true});
                continue;
            }
            replaced.emplace(asset.id, &asset);
        }
        arriving.insert_or_assign(asset.id, &asset);
    }
    std::vector<ReturnMatch> matches;
    {
        const auto departures = departuresFrom(*this, seen, away, replaced);
        auto known = digests;
        auto takers = takersAmong(staying, departures, known);
        matches = matchesIn(*this, arriving, replaced, departures, std::move(takers), known,
                            filesOf(staying));
    }
    std::vector<std::pair<IndexEntry, const LibraryAsset*>> returning;
    std::unordered_set<std::string_view> returned;
    for (const auto& match : matches) {
        returned.insert(match.arrival->id);
        returning.emplace_back(std::move(entries.extract(match.departed).mapped()), match.arrival);
    }
    bool listedNow = false;
    for (auto& [entry, asset] : returning)
        listedNow |= storeReturned(*this, std::move(entry), *asset, result);
    renameGroups(renamedBy(result.returned));
    // Entries taken over were replaced where they are; none other moved.
    for (const auto& [asset, entry, file, touched] : staying) {
        if (returned.contains(asset->id)) continue;
        if (touched)
            listedNow |= storeReturned(*this, std::move(entries.extract(asset->id).mapped()),
                                       *asset, result);
        else
            reconcileListed(*entry, *asset, result, file, ownLinks);
    }
    passKeepsOfSecondNames(*this, staying, seen, away, digests, now, result);
    // In listing order, not the hash order of `arriving`, which would scatter the entries of
    // a first listing over memory for every later pass over the index.
    for (const auto& asset : assets) {
        const auto found = arriving.find(asset.id);
        if (found == arriving.end() || found->second != &asset || returned.contains(asset.id))
            continue;
        // Another file in the place of one whose entry stayed: a changed file.
        if (const auto stayed = entries.find(asset.id);
            replaced.contains(asset.id) && stayed != entries.end())
            listedNow |= storeReplaced(*this, stayed->second, asset, result);
        else
            storeFresh(*this, asset, result);
    }
    if (!result.added.empty() || listedNow) ++listings;
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
    if (!result.added.empty()) ++listings;
    sortLists(result);
    return result;
}

} // namespace keepsift
