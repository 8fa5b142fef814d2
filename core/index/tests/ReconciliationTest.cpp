#include <algorithm>
#include <gtest/gtest.h>

#include "IndexFixtures.hpp"

namespace keepsift {
namespace {

using namespace fixtures;
using Ids = std::vector<std::string>;

const Date now{800000000};

TEST(Reconciliation, RealisticListingAcrossAReload) {
    // A library of photographs whose modification times carry fractions of a second.
    std::vector<LibraryAsset> listing;
    for (int i = 0; i < 12; ++i)
        listing.push_back(asset("2024/IMG_" + std::to_string(100 + i) + ".JPG", 730000000 + i * 60,
                                730000000.375 + i * 60));
    LibraryIndex index = LibraryIndex::fresh(LibraryIndex::currentSignature());
    const auto first = index.reconcile(listing, now);
    EXPECT_EQ(first.added.size(), 12u);
    EXPECT_TRUE(std::is_sorted(first.added.begin(), first.added.end()));

    // Measured, decided, and some decisions made by hand.
    for (const auto& a : listing)
        index.recordSignals(signals(a), std::nullopt, a.id);
    GroupDecision decision{"2024/IMG_100.JPG", PhotoGroup::Kind::moment, {}};
    for (int i = 0; i < 4; ++i)
        decision.decisions.push_back({listing[i].id, listing[i].filename, i == 0,
                                      i == 0 ? Reason::keptSharper : Reason::flaggedBlurred, 0});
    index.applyGroupDecision(decision, now);
    index.setState(ReviewState::keptByHand, listing[1].id, now);
    index.setState(ReviewState::flaggedByHand, listing[5].id, now);

    // Saved and read back: the fractions are gone from the file.
    LibraryIndex reloaded = LibraryIndex::decode(index.encoded());
    EXPECT_TRUE(reloaded.reconcile(listing, now.adding(60)).isEmpty());
    EXPECT_EQ(reloaded.entry(listing[1].id)->state, ReviewState::keptByHand);
    EXPECT_EQ(reloaded.entry(listing[5].id)->state, ReviewState::flaggedByHand);

    // The next listing: one new, one edited, one gone, one taken out of the rejects album.
    std::vector<LibraryAsset> next = listing;
    next.erase(next.begin() + 7);
    next[2].isRejected = true; // flagged by the pass: the user put it in the album
    next[3].modifiedAt = next[3].modifiedAt->adding(30);
    next.push_back(asset("2024/IMG_099.JPG", 729999000));
    std::reverse(next.begin(), next.end());
    const auto second = reloaded.reconcile(next, now.adding(120));
    EXPECT_EQ(second.added, Ids{"2024/IMG_099.JPG"});
    EXPECT_EQ(second.needingFreshSignals, Ids{"2024/IMG_103.JPG"});
    EXPECT_EQ(second.deleted, Ids{"2024/IMG_107.JPG"});
    EXPECT_EQ(second.rejectionChanged, Ids{"2024/IMG_102.JPG"});
    EXPECT_EQ(reloaded.entry(listing[5].id)->state, ReviewState::flaggedByHand);
    EXPECT_EQ(reloaded.entry("2024/IMG_107.JPG")->decidedAt, now.adding(120));
}

// Stamped with the listing that found it, which the index counts.
IndexEntry listedFirstBy(std::int64_t listing, IndexEntry entry) {
    entry.firstListing = listing;
    return entry;
}

TEST(Reconciliation, NewAssetGetsABarePendingEntry) {
    LibraryIndex index;
    const auto result = index.reconcile({asset("a", 1, 2)}, now);
    EXPECT_EQ(result, (LibraryIndex::Reconciliation{{"a"}, {}, {}, {}}));
    EXPECT_EQ(*index.entry("a"), listedFirstBy(1, IndexEntry::fresh(asset("a", 1, 2))));
    EXPECT_EQ(index.listings, 1);
    index.reconcile({asset("a", 1, 2)}, now);
    EXPECT_EQ(index.listings, 1);
    index.reconcile({asset("a", 1, 2), asset("b")}, now);
    EXPECT_EQ(index.entry("b")->firstListing, 2);
    EXPECT_EQ(index.entry("a")->firstListing, 1);
    // A file the change stream brings counts as one listing too.
    index.reconcileChanged({asset("c")});
    EXPECT_EQ(index.entry("c")->firstListing, 3);
    EXPECT_EQ(index.listings, 3);
}

TEST(Reconciliation, ReturningDeletedAssetStartsAfreshAndLeavesItsIgnoredGroup) {
    IndexEntry gone = measured(asset("a"), ReviewState::deleted);
    gone.groupID = "g";
    gone.decidedAt = Date{3};
    LibraryIndex index = indexOf({gone});
    index.ignoredGroups = {"g", "h"};
    const auto result = index.reconcile({asset("a")}, now);
    EXPECT_EQ(result.added, Ids{"a"});
    EXPECT_TRUE(result.needingFreshSignals.empty());
    EXPECT_EQ(*index.entry("a"), listedFirstBy(1, IndexEntry::fresh(asset("a"))));
    EXPECT_EQ(index.ignoredGroups, (std::set<std::string>{"h"}));
}

TEST(Reconciliation, ContentChangeDropsHandDecisionButKeepsDateAndSkip) {
    IndexEntry kept = measured(asset("a"), ReviewState::keptByHand);
    kept.groupID = "g";
    kept.reason = Reason::keptBestFaces;
    kept.skip = SkipReason::utility;
    kept.decidedAt = Date{9};
    kept.needsOriginal = true;
    LibraryIndex index = indexOf({kept});
    index.ignoredGroups = {"g"};
    const auto result = index.reconcile({asset("a", std::nullopt, 100)}, now);
    EXPECT_EQ(result.needingFreshSignals, Ids{"a"});
    const IndexEntry e = *index.entry("a");
    EXPECT_EQ(e.state, ReviewState::pending);
    EXPECT_FALSE(e.signals || e.groupID || e.reason || e.needsOriginal);
    EXPECT_EQ(e.decidedAt, Date{9});
    EXPECT_EQ(e.skip, SkipReason::utility);
    EXPECT_TRUE(index.ignoredGroups.contains("g"));
}

TEST(Reconciliation, OnlyContentFieldsCount) {
    auto changed = [](auto edit) {
        LibraryIndex index = indexOf({measured(asset("a", 1, 2), ReviewState::keeper)});
        LibraryAsset next = asset("a", 1, 2);
        edit(next);
        const auto result = index.reconcile({next}, now);
        EXPECT_EQ(index.entry("a")->asset, next);
        return result.needingFreshSignals == Ids{"a"};
    };
    EXPECT_TRUE(changed([](LibraryAsset& a) { a.pixelWidth = 1; }));
    EXPECT_TRUE(changed([](LibraryAsset& a) { a.pixelHeight = 1; }));
    EXPECT_TRUE(changed([](LibraryAsset& a) { a.isEdited = true; }));
    EXPECT_TRUE(changed([](LibraryAsset& a) { a.modifiedAt = Date{3}; }));
    EXPECT_TRUE(changed([](LibraryAsset& a) { a.modifiedAt.reset(); }));
    EXPECT_FALSE(changed([](LibraryAsset& a) { a.modifiedAt = Date{2.9}; }));
    // Another size is other bytes; a size not known on one side tells nothing.
    EXPECT_TRUE(changed([](LibraryAsset& a) { a.fileSize = 1; }));
    EXPECT_FALSE(changed([](LibraryAsset& a) { a.fileSize = 0; }));
    EXPECT_FALSE(changed([](LibraryAsset& a) { a.filename = "other"; }));
    EXPECT_FALSE(changed([](LibraryAsset& a) { a.createdAt = Date{7}; }));
}

TEST(Reconciliation, UserFlagsReachTheStoredSignals) {
    LibraryIndex index = indexOf({measured(asset("a"), ReviewState::keeper)});
    LibraryAsset next = asset("a");
    next.isFavourite = true;
    next.isInUserAlbum = true;
    EXPECT_TRUE(index.reconcile({next}, now).isEmpty());
    EXPECT_TRUE(index.entry("a")->signals->isFavourite);
    EXPECT_TRUE(index.entry("a")->signals->isInUserAlbum);
}

TEST(Reconciliation, RejectionChangeCountsOnlyForDecidedUnchangedEntries) {
    LibraryIndex index = indexOf({measured(asset("p"), ReviewState::pending),
                                  measured(asset("f"), ReviewState::flagged),
                                  measured(asset("m", 1, 2), ReviewState::flagged)});
    LibraryAsset p = asset("p"), f = asset("f"), m = asset("m", 1, 5);
    p.isRejected = f.isRejected = m.isRejected = true;
    const auto result = index.reconcile({p, f, m}, now);
    EXPECT_EQ(result.rejectionChanged, Ids{"f"});
    EXPECT_EQ(result.needingFreshSignals, Ids{"m"});
    EXPECT_EQ(index.entry("f")->state, ReviewState::flagged);
    EXPECT_TRUE(index.entry("f")->asset.isRejected);
}

TEST(Reconciliation, MissingAssetsAreMarkedDeletedOnce) {
    IndexEntry flagged = measured(asset("b"), ReviewState::flagged);
    flagged.asset.isRejected = true;
    flagged.groupID = "g";
    flagged.reason = Reason::flaggedBlurred;
    flagged.needsOriginal = true;
    IndexEntry old = IndexEntry::fresh(asset("a"));
    old.state = ReviewState::deleted;
    old.decidedAt = Date{1};
    LibraryIndex index = indexOf({flagged, old, IndexEntry::fresh(asset("c"))});
    const auto result = index.reconcile({}, now);
    EXPECT_EQ(result.deleted, (Ids{"b", "c"}));
    const IndexEntry b = *index.entry("b");
    EXPECT_EQ(b.state, ReviewState::deleted);
    EXPECT_EQ(b.decidedAt, now);
    EXPECT_FALSE(b.signals || b.needsOriginal || b.asset.isRejected);
    EXPECT_EQ(b.groupID, "g");
    EXPECT_EQ(b.reason, Reason::flaggedBlurred);
    EXPECT_EQ(index.entry("a")->decidedAt, Date{1});
}

TEST(Reconciliation, OrderOfTheListingDoesNotMatterAndRepeatingChangesNothing) {
    const std::vector<LibraryAsset> listing{asset("é", 3), asset("b", 1), asset("a", 2)};
    LibraryIndex one, two;
    const auto r1 = one.reconcile(listing, now);
    const auto r2 = two.reconcile({listing.rbegin(), listing.rend()}, now);
    EXPECT_EQ(r1, r2);
    EXPECT_EQ(one, two);
    EXPECT_EQ(r1.added, (Ids{"a", "b", "é"}));
    EXPECT_TRUE(one.reconcile(listing, now).isEmpty());
}

// A few changed photographs against the index's own picture of the rest of the library.
LibraryIndex mixedIndex() {
    IndexEntry stale = measured(asset("s"), ReviewState::keeper);
    stale.asset.isFavourite = true; // the stored signals still say otherwise
    IndexEntry gone = measured(asset("d"), ReviewState::deleted);
    gone.groupID = "old";
    LibraryIndex index = indexOf({measured(asset("k", 1, 2), ReviewState::flagged),
                                  measured(asset("r"), ReviewState::keeper), stale, gone,
                                  IndexEntry::fresh(asset("u"))});
    index.ignoredGroups = {"old", "other"};
    return index;
}

std::vector<LibraryAsset> listingOf(const LibraryIndex& index) {
    std::vector<LibraryAsset> listing;
    for (const auto& [id, entry] : index.entries)
        if (entry.state != ReviewState::deleted) listing.push_back(entry.asset);
    return listing;
}

TEST(Reconciliation, ChangedAssetsAloneActAsTheWholeListingWithThemApplied) {
    LibraryAsset edited = asset("k", 1, 9), rejected = asset("r"), back = asset("d");
    rejected.isRejected = true;
    LibraryAsset first = asset("n", 4), last = asset("n", 5);
    const std::vector<LibraryAsset> changes{edited, rejected, back, first, last};

    LibraryIndex whole = mixedIndex();
    auto listing = listingOf(whole);
    std::erase_if(listing, [](const LibraryAsset& a) { return a.id == "k" || a.id == "r"; });
    listing.insert(listing.end(), {edited, rejected, back, last});
    const auto expected = whole.reconcile(listing, now);

    LibraryIndex changed = mixedIndex();
    const auto result = changed.reconcileChanged(changes);
    EXPECT_EQ(result, expected);
    EXPECT_EQ(changed, whole);
    EXPECT_EQ(result.added, (Ids{"d", "n"}));
    EXPECT_TRUE(result.deleted.empty());
    EXPECT_EQ(changed.entry("n")->asset.createdAt, Date{5});
    EXPECT_TRUE(changed.entry("s")->signals->isFavourite);
    EXPECT_EQ(changed.ignoredGroups, std::set<std::string>{"other"});
}

TEST(Reconciliation, NoChangedAssetsStillLeaveDeletedEntriesAlone) {
    LibraryIndex index = mixedIndex();
    EXPECT_TRUE(index.reconcileChanged({}).isEmpty());
    EXPECT_EQ(index.entry("d")->state, ReviewState::deleted);
    EXPECT_EQ(index.entry("u")->state, ReviewState::pending);
}

} // namespace
} // namespace keepsift
