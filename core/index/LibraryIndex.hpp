#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/index/IndexEntry.hpp"
#include "core/index/OwnLinks.hpp"
#include "core/index/ReturnMatching.hpp"
#include "core/index/Salvaged.hpp"
#include "core/model/Decisions.hpp"

namespace keepsift {

// The engine's persisted memory of the library: one entry per photograph, keyed by asset
// identifier, under the signature of the measuring method that produced the signals.
struct LibraryIndex {
    static constexpr std::string_view formatVersion = "4";

    // A photograph found again, renamed, moved or back from outside the library: its
    // entry went with it from `from` to `to`.
    struct Return {
        std::string from;
        std::string to;
        // When an earlier reconciliation had marked it deleted; none when it was seen
        // leaving and arriving in this one.
        std::optional<Date> vanishedAt;

        bool operator==(const Return&) const = default;
    };

    // What one reconciliation changed; each list in ascending order.
    struct Reconciliation {
        std::vector<std::string> added;
        std::vector<std::string> needingFreshSignals;
        std::vector<std::string> deleted;
        std::vector<std::string> rejectionChanged;
        // By `to`.
        std::vector<Return> returned = {};
        // Listed photographs new at a path where the rejects album linked the photograph
        // before them, linked still: the link is the one that photograph left behind.
        std::vector<std::string> leftoverLinks = {};
        // Listed entries whose asset or stored flags were brought to the listing, with no
        // other change.
        std::size_t updated = 0;

        bool isEmpty() const;
        // The index is as it was: the library was listed as the index knew it.
        bool changedNothing() const { return isEmpty() && updated == 0; }
        bool operator==(const Reconciliation&) const = default;
    };

    std::string version;
    std::map<std::string, IndexEntry> entries;
    std::set<std::string> ignoredGroups;
    // Read from an index that has none as seeded from its entries.
    OwnLinks ownLinks;
    // How many listings found files new to the index: what entries are stamped with when first
    // listed and when reviewed. Read as at least the highest stamp, so that a save that lost
    // it never lets a later listing count for an earlier one.
    std::int64_t listings = 0;

    // No entries, no ignored groups and no links.
    static LibraryIndex fresh(std::string version) {
        return LibraryIndex{std::move(version), {}, {}, {}, 0};
    }

    static std::string signature(std::string_view revision, std::string_view recipe,
                                 std::string_view format);
    // The signature of the signals this build measures.
    static std::string currentSignature();

    // True when the version changed and the entries were dropped; ignored groups stay.
    bool adoptVersion(const std::string& signature);

    std::optional<IndexEntry> entry(const std::string& id) const;
    // Nothing removes the identifier.
    void setEntry(const std::string& id, std::optional<IndexEntry> entry);
    std::size_t count() const { return entries.size(); }

    // Reconciliation with a complete listing of the library. Photographs left out of it whose
    // storage went `away` (an unmounted drive) are kept as they are, unless found elsewhere.
    // A listed photograph takes over the entry of one that left only with the same bytes:
    // its digest read in `digests`, asked for the candidates `returnCandidates` names.
    Reconciliation reconcile(const std::vector<LibraryAsset>& assets, Date now,
                             const std::set<std::string>& away = {},
                             const ContentDigests& digests = {});
    // Those whose bytes are not in `read` yet.
    std::vector<std::string> returnCandidates(const std::vector<LibraryAsset>& assets,
                                              const std::set<std::string>& away = {},
                                              const ContentDigests& read = {}) const;
    // The photographs that left whose entries that reconciliation would give to a listed one:
    // they were renamed or moved, not removed.
    std::set<std::string> foundElsewhere(const std::vector<LibraryAsset>& assets,
                                         const std::set<std::string>& away,
                                         const ContentDigests& digests) const;
    // The photograph's file, measured again, gave another measurement than the one stored: a
    // changed photograph, reviewed afresh as a listing does with one whose content changed.
    Reconciliation measuredOtherwise(const std::string& id);
    // The same as reconciling with the index's own picture of the library (its entries not
    // deleted) with the given assets applied, without building that listing: nothing is
    // taken for deleted.
    Reconciliation reconcileChanged(const std::vector<LibraryAsset>& assets);
    // reconcileChanged for a caller that knows the stored flags of every entry already
    // follow its asset: only the given assets are looked at.
    Reconciliation reconcileGiven(const std::vector<LibraryAsset>& assets);

    // Queries.
    std::vector<IndexEntry> entriesAwaitingSignals() const;
    bool hasEntriesAwaitingSignals() const;
    bool hasEntriesNeedingOriginals() const;
    std::optional<Date> newestDateAwaitingSignals() const;
    std::optional<IndexEntry> nextEntryNeedingOriginal() const;
    std::vector<PhotoSignals> groupableSignals() const;
    std::vector<IndexEntry> flaggedEntries() const;
    std::vector<IndexEntry> entriesNeedingOriginals() const;
    std::vector<IndexEntry> deletedEntries() const;
    // The photographs flagged when they left the library, whose links may still be in the
    // album.
    std::vector<std::string> departedFlagged() const;
    // A decision by hand, or a group kept whole.
    bool reviewedByUser(const IndexEntry& entry) const;
    // The entry's review is made now: only files listed from now on may take it over.
    void stampReview(IndexEntry& entry) const { entry.reviewListing = listings; }
    // The listing count made at least as high as every stamp of the entries.
    void catchUpListings();

    // Updates; identifiers without an entry are skipped.
    void recordSignals(std::optional<PhotoSignals> signals, std::optional<SkipReason> skip,
                       const std::string& id);
    void markNeedsOriginal(const std::vector<std::string>& ids);
    void applyGroupDecision(const GroupDecision& decision, Date at);
    // One photograph's part of a group decision; a deleted entry stays as it is, and one
    // decided by hand only joins the group.
    void applyPhotoDecision(IndexEntry& entry, const std::string& groupID,
                            const PhotoDecision& photo, Date at) const;
    // Whether that decision changes the entry's group, state or reason (not only its date).
    static bool decisionRegroups(const IndexEntry& entry, const std::string& groupID,
                                 const PhotoDecision& photo);
    std::vector<std::string> ignoreGroup(const std::string& groupID, Date at);
    void resetGroup(const std::string& groupID, Date at);
    void setState(ReviewState state, const std::string& id, Date at);
    // The photograph left the library: deleted as setState does, remembering its decision.
    void markVanished(const std::string& id, Date at);
    void addIgnoredGroups(const std::set<std::string>& groupIDs);
    // A group is named after its earliest photograph: where that one now goes by another
    // identifier, its group's name follows, in every entry and among the ignored groups, all
    // names at once.
    void renameGroups(const std::map<std::string, std::string>& renamed);
    // Measurements that still name their photograph by a place it left (as earlier builds
    // kept them after a rename or move) take its name, and so do the groups named after it,
    // where that name is no other photograph's. How many were mended.
    std::size_t mendIdentities();

    // Newest asset creation date first, then ascending identifier; undated entries after
    // dated ones, so that the order is total.
    static bool newestFirst(const IndexEntry& a, const IndexEntry& b);

    Json toJson(DateForm form) const;
    static LibraryIndex fromJson(const Json& json, DateForm form);
    // The file form: ISO 8601 dates with whole seconds, written without a value tree.
    std::string encoded() const;
    // The same text in parts, handed to emit in order; the whole is never held at once.
    void encodeInParts(const std::function<void(std::string_view)>& emit) const;
    // Throws JsonError when anything in the text is amiss.
    static LibraryIndex decode(std::string_view text);
    // Every entry that reads cleanly; an entry that does not is dropped alone, and so are
    // the entries after a break in the syntax. Throws JsonError only when the version or
    // the entries cannot be found at all.
    static Salvaged<LibraryIndex> salvage(std::string_view text);

    bool operator==(const LibraryIndex&) const = default;
};

// A malformed set of ignored groups never fails the index: it reads as empty.
std::set<std::string> ignoredGroupsFrom(const Json& value);
// Nor does a malformed count of listings: the entries' stamps stand for it.
std::int64_t listingsFrom(const Json& value);

} // namespace keepsift
