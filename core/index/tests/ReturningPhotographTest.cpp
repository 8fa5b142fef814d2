#include <algorithm>

#include <gtest/gtest.h>

#include "IndexFixtures.hpp"

namespace keepsift {
namespace {

using namespace fixtures;
using Ids = std::vector<std::string>;
using Return = LibraryIndex::Return;

const Date decided{700000500};
const Date out{800000000};
const Date back{800000060};

LibraryAsset photo(const std::string& id, const std::string& name, double modified) {
    LibraryAsset a = asset(id, 700000000, modified);
    a.filename = name;
    return a;
}

// A photograph's bytes, told by its file name: the test's files keep theirs wherever they go.
std::string bytesOf(const LibraryAsset& a) {
    return "bytes of " + a.filename;
}

// Measured, and the digest of its bytes kept.
IndexEntry known(const LibraryAsset& a, ReviewState state) {
    IndexEntry e = measured(a, state);
    e.contentDigest = bytesOf(a);
    return e;
}

// Reconciles as the engine does: only the candidates' bytes are read, those in `bytes`
// holding what it says.
LibraryIndex::Reconciliation reconcileFiles(LibraryIndex& index,
                                            const std::vector<LibraryAsset>& listing, Date now,
                                            const std::set<std::string>& away = {},
                                            const ContentDigests& bytes = {}) {
    ContentDigests read;
    for (const auto& id : index.returnCandidates(listing, away)) {
        const auto asset = std::find_if(listing.begin(), listing.end(),
                                        [&](const LibraryAsset& a) { return a.id == id; });
        read[id] = bytes.contains(id) ? bytes.at(id) : bytesOf(*asset);
    }
    return index.reconcile(listing, now, away, read);
}

LibraryAsset at(LibraryAsset a, std::string id) {
    a.id = std::move(id);
    return a;
}

// A trip folder of two photographs decided by hand, the flagged one in the rejects album.
struct Trip {
    LibraryAsset flagged = photo("Trip01/IMG_1.JPG", "IMG_1.JPG", 700000100);
    LibraryAsset kept = photo("Trip01/IMG_2.JPG", "IMG_2.JPG", 700000100);
    LibraryIndex index;

    Trip() {
        flagged.isRejected = true;
        IndexEntry f = known(flagged, ReviewState::flaggedByHand);
        f.groupID = "g";
        f.reason = Reason::flaggedBlurred;
        f.decidedAt = decided;
        IndexEntry k = known(kept, ReviewState::keptByHand);
        k.groupID = "g";
        k.reason = Reason::keptSharper;
        k.decidedAt = decided;
        index =
            indexOf({f, k, known(photo("Other/IMG_9.JPG", "IMG_9.JPG", 9), ReviewState::keeper)});
    }
    std::vector<LibraryAsset> in(const std::string& folder) const {
        std::vector<LibraryAsset> listing{at(flagged, folder + "/IMG_1.JPG"),
                                          at(kept, folder + "/IMG_2.JPG"),
                                          photo("Other/IMG_9.JPG", "IMG_9.JPG", 9)};
        listing[0].isRejected = folder == "Trip01";
        return listing;
    }
    std::vector<LibraryAsset> without() const { return {photo("Other/IMG_9.JPG", "IMG_9.JPG", 9)}; }
};

void expectDecisionsAt(const LibraryIndex& index, const std::string& folder) {
    const auto f = index.entry(folder + "/IMG_1.JPG");
    const auto k = index.entry(folder + "/IMG_2.JPG");
    ASSERT_TRUE(f && k) << folder;
    EXPECT_EQ(f->state, ReviewState::flaggedByHand);
    EXPECT_EQ(f->reason, Reason::flaggedBlurred);
    EXPECT_EQ(k->state, ReviewState::keptByHand);
    EXPECT_EQ(k->reason, Reason::keptSharper);
    for (const auto& e : {*f, *k}) {
        EXPECT_EQ(e.groupID, "g");
        EXPECT_EQ(e.decidedAt, decided);
        EXPECT_EQ(e.asset.id, folder + "/" + e.asset.filename);
        EXPECT_FALSE(e.formerState || e.formerDecidedAt);
    }
}

TEST(ReturningPhotograph, ARenamedFolderSeenInOneListingTakesItsEntriesAlong) {
    Trip trip;
    const IndexEntry before = *trip.index.entry("Trip01/IMG_2.JPG");
    const auto result = reconcileFiles(trip.index, trip.in("Trip01 (2024)"), out);
    EXPECT_TRUE(result.added.empty());
    EXPECT_TRUE(result.deleted.empty());
    EXPECT_TRUE(result.rejectionChanged.empty());
    EXPECT_EQ(result.returned,
              (std::vector<Return>{{"Trip01/IMG_1.JPG", "Trip01 (2024)/IMG_1.JPG", std::nullopt},
                                   {"Trip01/IMG_2.JPG", "Trip01 (2024)/IMG_2.JPG", std::nullopt}}));
    expectDecisionsAt(trip.index, "Trip01 (2024)");
    EXPECT_FALSE(trip.index.entry("Trip01/IMG_1.JPG") || trip.index.entry("Trip01/IMG_2.JPG"));
    // The whole entry moved, its measurement too, which now names the photograph where it is;
    // only the asset record is the new one.
    IndexEntry moved = *trip.index.entry("Trip01 (2024)/IMG_2.JPG");
    EXPECT_EQ(moved.asset, at(trip.kept, "Trip01 (2024)/IMG_2.JPG"));
    ASSERT_TRUE(moved.signals);
    EXPECT_EQ(moved.signals->digest, "Trip01 (2024)/IMG_2.JPG");
    moved.asset = before.asset;
    moved.signals->digest = before.signals->digest;
    EXPECT_EQ(moved, before);
    // The album does not hold the new place yet: that is for the engine to write.
    EXPECT_FALSE(trip.index.entry("Trip01 (2024)/IMG_1.JPG")->asset.isRejected);
    EXPECT_TRUE(reconcileFiles(trip.index, trip.in("Trip01 (2024)"), back).isEmpty());
}

// A group is named after its earliest photograph: the ignore of a group follows that
// photograph to its new place, whether it moved in this listing or came back later.
TEST(ReturningPhotograph, AGroupNamedAfterAPhotographThatMovedFollowsIt) {
    for (bool away : {false, true}) {
        Trip trip;
        trip.index.ignoredGroups = {"Trip01/IMG_1.JPG", "other"};
        for (auto& [id, entry] : trip.index.entries)
            if (entry.groupID) entry.groupID = "Trip01/IMG_1.JPG";
        if (away) reconcileFiles(trip.index, trip.without(), out);
        reconcileFiles(trip.index, trip.in("Trip01 (2024)"), back);
        EXPECT_EQ(trip.index.ignoredGroups,
                  (std::set<std::string>{"Trip01 (2024)/IMG_1.JPG", "other"}));
        for (const auto* name : {"IMG_1.JPG", "IMG_2.JPG"})
            EXPECT_EQ(trip.index.entry(std::string("Trip01 (2024)/") + name)->groupID,
                      "Trip01 (2024)/IMG_1.JPG")
                << away;
    }
}

// An earlier build moved the measurement with the entry, still naming the place it left: it is
// mended, and the groups named after it follow, unless another photograph goes by that name.
TEST(ReturningPhotograph, AMeasurementNamingAPlaceItLeftIsMended) {
    const auto moved = [](const std::string& from, const std::string& to) {
        IndexEntry e = known(photo(to, to.substr(to.rfind('/') + 1), 5), ReviewState::pending);
        e.signals->digest = from;
        e.signals->filename = from.substr(from.rfind('/') + 1);
        return e;
    };
    IndexEntry kept = known(photo("B/2.JPG", "2.JPG", 5), ReviewState::keptByHand);
    kept.groupID = "A/1.JPG";
    IndexEntry there = known(photo("C/3.JPG", "3.JPG", 5), ReviewState::keeper);
    there.groupID = "C/3.JPG";
    LibraryIndex index =
        indexOf({moved("A/1.JPG", "B/1.JPG"), kept, moved("C/3.JPG", "D/3.JPG"), there});
    index.ignoredGroups = {"A/1.JPG", "C/3.JPG"};

    EXPECT_EQ(index.mendIdentities(), 2u);
    for (const auto* id : {"B/1.JPG", "D/3.JPG"}) {
        EXPECT_EQ(index.entry(id)->signals->digest, id);
        EXPECT_EQ(index.entry(id)->signals->filename, index.entry(id)->asset.filename);
    }
    EXPECT_EQ(index.entry("B/2.JPG")->groupID, "B/1.JPG");
    EXPECT_EQ(index.entry("C/3.JPG")->groupID, "C/3.JPG");
    EXPECT_EQ(index.ignoredGroups, (std::set<std::string>{"B/1.JPG", "C/3.JPG"}));
    EXPECT_EQ(index.mendIdentities(), 0u);
}

TEST(ReturningPhotograph, AFolderMovedOutAndBackGetsItsDecisionsBackAlsoAfterARestart) {
    for (const std::string to : {"Trip01", "Elsewhere/Trip01"}) {
        for (bool restart : {false, true}) {
            Trip trip;
            const auto gone = reconcileFiles(trip.index, trip.without(), out);
            EXPECT_EQ(gone.deleted, (Ids{"Trip01/IMG_1.JPG", "Trip01/IMG_2.JPG"}));
            const IndexEntry away = *trip.index.entry("Trip01/IMG_1.JPG");
            EXPECT_EQ(away.state, ReviewState::deleted);
            EXPECT_EQ(away.formerState, ReviewState::flaggedByHand);
            EXPECT_EQ(away.formerDecidedAt, decided);
            if (restart) trip.index = LibraryIndex::decode(trip.index.encoded());

            const auto result = reconcileFiles(trip.index, trip.in(to), back);
            EXPECT_TRUE(result.added.empty()) << to;
            EXPECT_TRUE(result.deleted.empty());
            EXPECT_TRUE(result.rejectionChanged.empty());
            EXPECT_EQ(result.returned,
                      (std::vector<Return>{{"Trip01/IMG_1.JPG", to + "/IMG_1.JPG", out},
                                           {"Trip01/IMG_2.JPG", to + "/IMG_2.JPG", out}}));
            expectDecisionsAt(trip.index, to);
            // Measured again: its signals went with the deletion.
            EXPECT_TRUE(trip.index.entry(to + "/IMG_1.JPG")->needsSignals());
            EXPECT_EQ(trip.index.entry(to + "/IMG_1.JPG")->asset.isRejected, to == "Trip01");
        }
    }
}

// The user's link at a photograph's new place is their flag on it only where it is proven made
// since the file came there: one made in the same tick of the clock, or before, tells nothing.
TEST(ReturningPhotograph, ALinkProvenMadeAtItsNewPlaceIsTheUsersFlag) {
    const std::int64_t cameNs = 800000030'000000000;
    for (const std::int64_t linkedNs : {cameNs + 5, cameNs, cameNs - 5}) {
        SCOPED_TRACE(linkedNs);
        Trip trip;
        auto listing = trip.in("Trip02");
        listing[1].file = FileIdentity{7, cameNs};
        listing[1].isRejected = true;
        listing[1].linkedNs = linkedNs;
        const auto result = reconcileFiles(trip.index, listing, back);
        EXPECT_EQ(result.returned.size(), 2u);
        EXPECT_EQ(result.rejectionChanged, linkedNs > cameNs ? Ids{"Trip02/IMG_2.JPG"} : Ids{});
        EXPECT_EQ(trip.index.entry("Trip02/IMG_2.JPG")->state, ReviewState::keptByHand);
    }
}

// Times tell nothing of the bytes: a copy or a restore gives a file other times.
TEST(ReturningPhotograph, ItsOwnBytesWithOtherTimesTakeTheDecisionOtherBytesStartAfresh) {
    Trip trip;
    reconcileFiles(trip.index, trip.without(), out);
    auto listing = trip.in("Trip01");
    listing[0].modifiedAt = listing[0].modifiedAt->adding(1);
    listing[1].modifiedAt.reset();
    const auto result = reconcileFiles(trip.index, listing, back);
    EXPECT_TRUE(result.added.empty());
    EXPECT_EQ(result.returned.size(), 2u);
    expectDecisionsAt(trip.index, "Trip01");
    EXPECT_EQ(trip.index.entry("Trip01/IMG_1.JPG")->asset.modifiedAt, listing[0].modifiedAt);

    Trip edited;
    reconcileFiles(edited.index, edited.without(), out);
    const auto fresh =
        reconcileFiles(edited.index, listing, back, {},
                       {{"Trip01/IMG_1.JPG", "edited"}, {"Trip01/IMG_2.JPG", "edited"}});
    EXPECT_EQ(fresh.added, (Ids{"Trip01/IMG_1.JPG", "Trip01/IMG_2.JPG"}));
    EXPECT_TRUE(fresh.returned.empty());
    EXPECT_EQ(edited.index.entry("Trip01/IMG_1.JPG")->state, ReviewState::pending);
}

TEST(ReturningPhotograph, APhotographKeepsiftDeletedIsNeverRevived) {
    Trip trip;
    trip.index.setState(ReviewState::deleted, "Trip01/IMG_1.JPG", out);
    trip.index.setState(ReviewState::deleted, "Trip01/IMG_2.JPG", out);
    auto listing = trip.in("Trip01");
    listing.push_back(at(trip.kept, "Restored/IMG_2.JPG"));
    listing.erase(listing.begin() + 1);
    const auto result = reconcileFiles(trip.index, listing, back);
    EXPECT_TRUE(result.returned.empty());
    EXPECT_EQ(result.added, (Ids{"Restored/IMG_2.JPG", "Trip01/IMG_1.JPG"}));
    EXPECT_EQ(trip.index.entry("Trip01/IMG_1.JPG")->state, ReviewState::pending);
    EXPECT_EQ(trip.index.entry("Restored/IMG_2.JPG")->state, ReviewState::pending);
}

TEST(ReturningPhotograph, AmbiguousLookalikesStayApartAndFileNamesTellThemApart) {
    // Two shots of one second, copied alike: the same times and size, told apart by name.
    LibraryAsset one = photo("a/IMG_1.JPG", "IMG_1.JPG", 5),
                 two = photo("a/IMG_2.JPG", "IMG_2.JPG", 5);
    LibraryIndex index =
        indexOf({known(one, ReviewState::flaggedByHand), known(two, ReviewState::keptByHand)});
    reconcileFiles(index, {at(two, "b/IMG_2.JPG"), at(one, "b/IMG_1.JPG")}, out);
    EXPECT_EQ(index.entry("b/IMG_1.JPG")->state, ReviewState::flaggedByHand);
    EXPECT_EQ(index.entry("b/IMG_2.JPG")->state, ReviewState::keptByHand);

    // Renamed as well: nothing tells which is which, so neither takes a decision.
    const auto result =
        reconcileFiles(index, {photo("c/x.JPG", "x.JPG", 5), photo("c/y.JPG", "y.JPG", 5)}, back);
    EXPECT_EQ(result.added, (Ids{"c/x.JPG", "c/y.JPG"}));
    EXPECT_EQ(result.deleted, (Ids{"b/IMG_1.JPG", "b/IMG_2.JPG"}));
    EXPECT_TRUE(result.returned.empty());

    // One arrival for two departed lookalikes of other names: no guess either.
    LibraryIndex pair =
        indexOf({known(one, ReviewState::flaggedByHand), known(two, ReviewState::keptByHand)});
    EXPECT_EQ(reconcileFiles(pair, {photo("c/x.JPG", "x.JPG", 5)}, out).added, Ids{"c/x.JPG"});
    // A file renamed, seen leaving and arriving at once, is still itself.
    LibraryIndex single = indexOf({known(one, ReviewState::flaggedByHand)});
    reconcileFiles(single, {photo("c/x.JPG", "x.JPG", 5)}, out, {}, {{"c/x.JPG", bytesOf(one)}});
    EXPECT_EQ(single.entry("c/x.JPG")->state, ReviewState::flaggedByHand);
    // One that left earlier may be a burst neighbour of the newcomer: no guess.
    reconcileFiles(single, {}, back);
    EXPECT_EQ(reconcileFiles(single, {photo("d/y.JPG", "y.JPG", 5)}, back).added, Ids{"d/y.JPG"});
}

// A frame of the same burst, copied alike: its times, pixel size and file size are the
// departed shot's, its bytes are not.
struct Lookalike {
    LibraryAsset shot = photo("Trip01/IMG_1.JPG", "IMG_1.JPG", 700000100);
    LibraryIndex index;

    Lookalike() {
        IndexEntry e = known(shot, ReviewState::flaggedByHand);
        e.groupID = "g";
        e.decidedAt = decided;
        index = indexOf({e});
    }
    static LibraryAsset named(LibraryAsset a, const std::string& id) {
        a.id = id;
        a.filename = id.substr(id.rfind('/') + 1);
        return a;
    }
    LibraryIndex::Reconciliation arrives(const std::string& id, Date when) {
        return reconcileFiles(index, {named(shot, id)}, when, {}, {{id, "bytes of a neighbour"}});
    }
    void expectFresh(const LibraryIndex::Reconciliation& result, const std::string& id) const {
        EXPECT_TRUE(result.returned.empty()) << id;
        EXPECT_EQ(result.added, Ids{id});
        const auto entry = index.entry(id);
        ASSERT_TRUE(entry);
        EXPECT_EQ(entry->state, ReviewState::pending) << id;
        EXPECT_FALSE(entry->groupID || entry->decidedAt || entry->contentDigest) << id;
        EXPECT_TRUE(entry->needsSignals()) << id;
    }
};

TEST(ReturningPhotograph, ALookalikeWithOtherBytesStartsAfreshWhereverItArrives) {
    for (const std::string id : {"Trip01/IMG_3.JPG", "Other/IMG_1.JPG"}) {
        Lookalike seenAtOnce;
        const auto result = seenAtOnce.arrives(id, out);
        seenAtOnce.expectFresh(result, id);
        EXPECT_EQ(result.deleted, Ids{"Trip01/IMG_1.JPG"});
    }
    for (const std::string id : {"Trip01/IMG_1.JPG", "Other/IMG_1.JPG"}) {
        for (bool restart : {false, true}) {
            Lookalike later;
            reconcileFiles(later.index, {}, out);
            if (restart) later.index = LibraryIndex::decode(later.index.encoded());
            later.expectFresh(later.arrives(id, back), id);
        }
    }
}

TEST(ReturningPhotograph, ADecisionThatLeftWaitsForItsOwnBytesOnly) {
    Lookalike lookalike;
    reconcileFiles(lookalike.index, {}, out);
    lookalike.arrives("Other/IMG_1.JPG", back);
    // The photograph itself, brought back beside the lookalike, gets its decision back.
    std::vector<LibraryAsset> listing{Lookalike::named(lookalike.shot, "Other/IMG_1.JPG"),
                                      lookalike.shot};
    const auto result =
        reconcileFiles(lookalike.index, listing, back, {}, {{"Other/IMG_1.JPG", "neighbour"}});
    EXPECT_EQ(result.returned,
              (std::vector<Return>{{"Trip01/IMG_1.JPG", "Trip01/IMG_1.JPG", out}}));
    EXPECT_EQ(lookalike.index.entry("Trip01/IMG_1.JPG")->state, ReviewState::flaggedByHand);
    EXPECT_EQ(lookalike.index.entry("Other/IMG_1.JPG")->state, ReviewState::pending);
}

TEST(ReturningPhotograph, OnlyPhotographsOfTheSizeOfOneThatLeftHaveTheirBytesRead) {
    Lookalike lookalike;
    reconcileFiles(lookalike.index, {}, out);
    LibraryAsset bigger = Lookalike::named(lookalike.shot, "b/IMG_1.JPG");
    bigger.fileSize += 1;
    LibraryAsset later = photo("d/new.JPG", "new.JPG", 3);
    later.fileSize = lookalike.shot.fileSize;
    const std::vector<LibraryAsset> listing{bigger, Lookalike::named(lookalike.shot, "c/IMG_1.JPG"),
                                            later};
    EXPECT_EQ(lookalike.index.returnCandidates(listing), (Ids{"c/IMG_1.JPG", "d/new.JPG"}));
    // Without its bytes read nothing pairs.
    EXPECT_EQ(lookalike.index.reconcile(listing, back).added.size(), 3u);

    // An entry stored before its bytes were digested, or a file of no known size, never pairs.
    for (bool sized : {false, true}) {
        Lookalike older;
        older.index.entries.begin()->second.contentDigest.reset();
        if (!sized) older.index.entries.begin()->second.asset.fileSize = 0;
        auto moved = Lookalike::named(older.shot, "b/IMG_1.JPG");
        if (!sized) moved.fileSize = 0;
        EXPECT_TRUE(older.index.returnCandidates({moved}).empty());
        EXPECT_TRUE(reconcileFiles(older.index, {moved}, out).returned.empty());
    }
}

TEST(ReturningPhotograph, PairingDoesNotDependOnTheListingOrder) {
    Trip one, two;
    auto listing = one.in("Moved");
    listing.push_back(photo("New/IMG_7.JPG", "IMG_7.JPG", 3));
    const auto r1 = reconcileFiles(one.index, listing, out);
    const auto r2 = reconcileFiles(two.index, {listing.rbegin(), listing.rend()}, out);
    EXPECT_EQ(r1, r2);
    EXPECT_EQ(one.index, two.index);
    EXPECT_EQ(r1.added, Ids{"New/IMG_7.JPG"});
}

TEST(ReturningPhotograph, APhotographSeenLeavingAndArrivingAtItsOwnPlaceWins) {
    // The departed entry at the arrival's own identifier is taken over another of its kind.
    LibraryAsset a = photo("a/IMG_1.JPG", "IMG_1.JPG", 5), b = photo("b/IMG_1.JPG", "IMG_1.JPG", 5);
    LibraryIndex index =
        indexOf({known(a, ReviewState::flaggedByHand), known(b, ReviewState::keptByHand)});
    reconcileFiles(index, {}, out);
    const auto result = reconcileFiles(index, {b}, back);
    EXPECT_EQ(result.returned, (std::vector<Return>{{"b/IMG_1.JPG", "b/IMG_1.JPG", out}}));
    EXPECT_EQ(index.entry("b/IMG_1.JPG")->state, ReviewState::keptByHand);
    EXPECT_EQ(index.entry("a/IMG_1.JPG")->state, ReviewState::deleted);
}

TEST(ReturningPhotograph, PhotographsOnStorageThatWentAwayStayUnlessFoundElsewhere) {
    const std::set<std::string> away{"Trip01/IMG_1.JPG", "Trip01/IMG_2.JPG"};
    Trip unmounted;
    const LibraryIndex before = unmounted.index;
    EXPECT_TRUE(reconcileFiles(unmounted.index, unmounted.without(), out, away).isEmpty());
    EXPECT_EQ(unmounted.index, before);
    // A lookalike of another name arriving meanwhile is not taken for one of them.
    auto listing = unmounted.without();
    listing.push_back(unmounted.kept);
    listing.push_back(at(unmounted.flagged, "New/other.JPG"));
    listing.back().filename = "other.JPG";
    listing.back().isRejected = false;
    EXPECT_EQ(reconcileFiles(unmounted.index, listing, back, {"Trip01/IMG_1.JPG"}).added,
              Ids{"New/other.JPG"});
    EXPECT_EQ(unmounted.index.entry("Trip01/IMG_1.JPG"), before.entry("Trip01/IMG_1.JPG"));

    // Moved to a folder of its own: its old folder is empty and looks like storage gone.
    Trip moved;
    const auto result = reconcileFiles(moved.index, moved.in("2025/Trip01"), out, away);
    EXPECT_TRUE(result.added.empty());
    EXPECT_EQ(result.returned.size(), 2u);
    expectDecisionsAt(moved.index, "2025/Trip01");
    EXPECT_FALSE(moved.index.entry("Trip01/IMG_1.JPG"));
}

constexpr std::int64_t drive = 41;

// The flagged photograph of the trip linked into another folder, the same file, and listed
// there after the review with an automatic decision of its own; its old name is removed before
// the next listing.
struct CopiedElsewhere : Trip {
    LibraryAsset copy = at(flagged, "Moved/IMG_1.JPG");

    CopiedElsewhere() {
        copy.isRejected = false;
        flagged.file = copy.file = FileIdentity{7, 1, drive};
        index.entries.at(flagged.id).asset.file = flagged.file;
        for (auto& [id, e] : index.entries) {
            e.firstListing = 1;
            e.reviewListing = 1;
            if (e.groupID) e.groupID = "Trip01/IMG_1.JPG";
        }
        index.listings = 2;
        addCopy(known(copy, ReviewState::keeper));
    }
    void addCopy(IndexEntry e, std::int64_t listed = 2) {
        e.groupID = "Moved/IMG_1.JPG";
        e.firstListing = listed;
        index.entries.insert_or_assign(e.asset.id, std::move(e));
    }
    std::vector<LibraryAsset> listing() const { return {copy, kept, without().front()}; }
};

// Measured, not yet measured, or linked there since it was listed: a link changes the file's
// status, and until its bytes are read again it is taken for what it was.
TEST(ReturningPhotograph, TheSameFileDecidedOnlyByKeepsiftTakesTheReviewThatLeftWithItsBytes) {
    enum Copy { measured, unmeasured, linkedUnread };
    for (const Copy kind : {measured, unmeasured, linkedUnread}) {
        SCOPED_TRACE(kind);
        CopiedElsewhere moved;
        if (kind == unmeasured) moved.addCopy(IndexEntry::fresh(moved.copy));
        if (kind == linkedUnread) moved.copy.file = FileIdentity{7, 2};
        EXPECT_EQ(moved.index.returnCandidates(moved.listing()),
                  kind == measured ? Ids{} : Ids{"Moved/IMG_1.JPG"});
        const auto result = kind == linkedUnread
                                ? moved.index.reconcile(moved.listing(), out)
                                : reconcileFiles(moved.index, moved.listing(), out);
        EXPECT_EQ(result.returned,
                  (std::vector<Return>{{"Trip01/IMG_1.JPG", "Moved/IMG_1.JPG", std::nullopt}}));
        EXPECT_TRUE(result.deleted.empty() && result.added.empty());
        const auto e = moved.index.entry("Moved/IMG_1.JPG");
        EXPECT_EQ(e->state, ReviewState::flaggedByHand);
        EXPECT_EQ(e->reason, Reason::flaggedBlurred);
        EXPECT_EQ(e->decidedAt, decided);
        EXPECT_EQ(e->groupID, "Moved/IMG_1.JPG");
        EXPECT_EQ(moved.index.entry("Trip01/IMG_2.JPG")->groupID, "Moved/IMG_1.JPG");
        EXPECT_FALSE(moved.index.entry("Trip01/IMG_1.JPG"));
    }
}

// A copy listed before the review was made is another file, which the user may have seen
// beside the photograph: its own review stays, measured or not, of a number known or not, and
// the review that left ends with its photograph; its bytes are not even read. A copy listed
// after the review, as a move by copy and removal makes, takes it over.
TEST(ReturningPhotograph, ACopyListedBeforeTheReviewKeepsItsOwnReviewOneListedAfterTakesIt) {
    for (const std::int64_t listed : {1, 2})
        for (const bool measured : {true, false})
            for (const std::optional<FileIdentity> file :
                 {std::optional(FileIdentity{8, 1, drive}), std::optional<FileIdentity>()}) {
                SCOPED_TRACE(::testing::Message() << listed << measured << file.has_value());
                CopiedElsewhere moved;
                moved.copy.file = file;
                auto copy = measured ? known(moved.copy, ReviewState::keeper)
                                     : IndexEntry::fresh(moved.copy);
                moved.addCopy(copy, listed);
                const bool after = listed == 2;
                EXPECT_EQ(moved.index.returnCandidates(moved.listing()),
                          after && !measured ? Ids{"Moved/IMG_1.JPG"} : Ids{});
                const auto result = reconcileFiles(moved.index, moved.listing(), out);
                EXPECT_EQ(result.returned.size(), after ? 1u : 0u);
                EXPECT_EQ(result.deleted, after ? Ids{} : Ids{"Trip01/IMG_1.JPG"});
                EXPECT_EQ(moved.index.entry("Moved/IMG_1.JPG")->state,
                          after ? ReviewState::flaggedByHand : copy.state);
            }
}

// The user's own review of the file stays, one that left earlier may be of another file of the
// same bytes, and one whose file is still at its place with other times may be of the bytes
// still there. An automatic review made before the file was listed follows it, as a hand one.
TEST(ReturningPhotograph, AFileWithAnEntryTakesNoReviewThatLeftEarlierNorOneWhileItHasItsOwn) {
    for (int kind : {0, 2, 3, 4}) {
        SCOPED_TRACE(kind);
        CopiedElsewhere moved;
        auto copy = moved.index.entries.at("Moved/IMG_1.JPG");
        if (kind == 0) copy.state = ReviewState::keptByHand;
        if (kind == 3) moved.index.entries.at("Trip01/IMG_1.JPG").state = ReviewState::flagged;
        if (kind == 2) {
            moved.index.entries.erase(copy.asset.id);
            reconcileFiles(moved.index, {moved.kept, moved.without().front()}, out);
        }
        moved.addCopy(copy);
        auto listing = moved.listing();
        if (kind == 4) listing.push_back(moved.flagged);
        if (kind == 4) listing.back().modifiedAt = listing.back().modifiedAt->adding(5);
        const auto result = reconcileFiles(moved.index, listing, back);
        if (kind == 3) {
            EXPECT_EQ(result.returned.size(), 1u);
            EXPECT_EQ(moved.index.entry("Moved/IMG_1.JPG")->state, ReviewState::flagged);
            EXPECT_FALSE(moved.index.entry("Trip01/IMG_1.JPG"));
            continue;
        }
        EXPECT_TRUE(result.returned.empty());
        EXPECT_EQ(moved.index.entry("Moved/IMG_1.JPG")->state, copy.state);
        EXPECT_EQ(moved.index.entry("Trip01/IMG_1.JPG")->state,
                  kind == 4 ? ReviewState::pending : ReviewState::deleted);
    }
}

// A group the user kept whole, and a copy of one of its photographs listed since, which joined
// the group as Keepsift decided it: the copy holds no review of the user's, and takes the hand
// keep once the photograph's own name is removed. The group, named after it now, stays kept
// whole.
TEST(ReturningPhotograph, ACopyThatJoinedAGroupKeptWholeTakesTheHandKeepThatLeft) {
    CopiedElsewhere moved;
    const std::string group = "Trip01/IMG_1.JPG";
    moved.index.ignoredGroups.insert(group);
    moved.index.entries.at(moved.flagged.id).state = ReviewState::keptByHand;
    moved.index.entries.at("Moved/IMG_1.JPG").groupID = group;
    const auto result = reconcileFiles(moved.index, moved.listing(), out);
    EXPECT_EQ(result.returned,
              (std::vector<Return>{{"Trip01/IMG_1.JPG", "Moved/IMG_1.JPG", std::nullopt}}));
    const auto taken = moved.index.entry("Moved/IMG_1.JPG");
    EXPECT_EQ(taken->state, ReviewState::keptByHand);
    EXPECT_TRUE(taken->groupID && moved.index.ignoredGroups.contains(*taken->groupID));
}

// Two files hold the bytes of the photograph that left, the second listed after its review or
// new to the listing, and only one is the same file: that one takes the review. The same number
// on another drive, or on a drive not known, is no file of its own.
TEST(ReturningPhotograph, OfTwoFilesThatMayTakeAReviewTheSameFileTakesIt) {
    for (bool secondHasEntry : {true, false})
        for (std::int64_t copyDrive : {drive, drive + 1, std::int64_t{0}}) {
            SCOPED_TRACE(::testing::Message() << secondHasEntry << copyDrive);
            CopiedElsewhere moved;
            moved.copy.file->fileSystem = copyDrive;
            moved.addCopy(known(moved.copy, ReviewState::keeper));
            auto second = at(moved.flagged, "Drive2/IMG_1.JPG");
            second.file = FileIdentity{9, 1, drive};
            if (secondHasEntry) {
                auto entry = known(second, ReviewState::flagged);
                entry.firstListing = 2;
                moved.index.entries.emplace(second.id, entry);
            }
            auto listing = moved.listing();
            listing.push_back(second);
            const auto result = reconcileFiles(moved.index, listing, out);
            const bool same = copyDrive == drive;
            EXPECT_EQ(result.returned.size(), same ? 1u : 0u);
            EXPECT_EQ(result.deleted, same ? Ids{} : Ids{"Trip01/IMG_1.JPG"});
            EXPECT_EQ(moved.index.entry("Moved/IMG_1.JPG")->state,
                      same ? ReviewState::flaggedByHand : ReviewState::keeper);
            EXPECT_FALSE(isSetByHand(moved.index.entry(second.id)->state));
        }
}

// More files than reviews of their bytes that left: any could be the one moved, whatever their
// names. A folder of exact copies moved whole pairs one to one by name.
TEST(ReturningPhotograph, MoreCopiesThanReviewsThatLeftTakeNoneButAFolderOfCopiesPairsByName) {
    Trip trip;
    auto listing = trip.without();
    for (const auto& id : {"Copies/IMG_1.JPG", "Copies/other.JPG"})
        listing.push_back(at(trip.flagged, id));
    listing.back().filename = "other.JPG";
    listing.push_back(trip.kept);
    const ContentDigests copied{{"Copies/other.JPG", bytesOf(trip.flagged)}};
    const auto result = reconcileFiles(trip.index, listing, out, {}, copied);
    EXPECT_TRUE(result.returned.empty());
    EXPECT_EQ(result.deleted, Ids{"Trip01/IMG_1.JPG"});

    LibraryAsset one = photo("a/IMG_1.JPG", "IMG_1.JPG", 5), two = at(one, "a/IMG_2.JPG");
    two.filename = "IMG_2.JPG";
    LibraryIndex copies =
        indexOf({known(one, ReviewState::flaggedByHand), known(two, ReviewState::keptByHand)});
    ContentDigests same{{"b/IMG_1.JPG", bytesOf(one)}, {"b/IMG_2.JPG", bytesOf(one)}};
    copies.entries.at(two.id).contentDigest = bytesOf(one);
    reconcileFiles(copies, {at(one, "b/IMG_1.JPG"), at(two, "b/IMG_2.JPG")}, out, {}, same);
    EXPECT_EQ(copies.entry("b/IMG_1.JPG")->state, ReviewState::flaggedByHand);
    EXPECT_EQ(copies.entry("b/IMG_2.JPG")->state, ReviewState::keptByHand);
}

// Two exact copies listed before one was flagged by hand. Whatever number the other comes to
// hold (the flagged name made a hard link to it by a de-duplication tool, or the freed number
// given to it by a rewrite through copy and rename), it keeps its own review.
TEST(ReturningPhotograph, AReviewPassesToNoFileListedBeforeItWhateverItsNumber) {
    for (const bool linked : {true, false}) {
        SCOPED_TRACE(linked);
        LibraryAsset flaggedCopy = photo("Import/IMG_1.JPG", "IMG_1.JPG", 5),
                     keptCopy = photo("Import again/IMG_1.JPG", "IMG_1.JPG", 5);
        flaggedCopy.file = FileIdentity{10, 1, drive};
        keptCopy.file = FileIdentity{11, 1, drive};
        IndexEntry f = known(flaggedCopy, ReviewState::flaggedByHand),
                   k = known(keptCopy, ReviewState::keeper);
        k.contentDigest = f.contentDigest;
        f.firstListing = k.firstListing = 1;
        f.reviewListing = 1;
        if (linked) f.asset.file = keptCopy.file;
        LibraryIndex index = indexOf({f, k});
        index.listings = 1;
        auto listed = keptCopy;
        if (!linked) listed.file = FileIdentity{10, 2, drive};
        const auto result =
            reconcileFiles(index, {listed}, out, {}, {{listed.id, bytesOf(flaggedCopy)}});
        EXPECT_TRUE(result.returned.empty());
        EXPECT_EQ(result.deleted, Ids{flaggedCopy.id});
        EXPECT_EQ(index.entry(keptCopy.id)->state, ReviewState::keeper);
    }
}

// Same-named exact copies in two folders, decided apart by hand, moved together into another
// folder: by a rename the index sees at once, or copied there (and listed) before the originals
// were removed. Each decision goes to the file at its place below the moved folder.
TEST(ReturningPhotograph, SameNamedCopiesInFoldersMovedTogetherKeepTheirOwnDecisions) {
    for (const bool copiedFirst : {false, true}) {
        SCOPED_TRACE(copiedFirst);
        LibraryAsset a = photo("A/x.JPG", "x.JPG", 5), b = photo("B/x.JPG", "x.JPG", 5);
        IndexEntry flaggedA = known(a, ReviewState::flaggedByHand),
                   keptB = known(b, ReviewState::keptByHand);
        for (IndexEntry* e : {&flaggedA, &keptB}) {
            e->contentDigest = bytesOf(a);
            e->firstListing = e->reviewListing = 1;
        }
        LibraryIndex index = indexOf({flaggedA, keptB});
        index.listings = 1;
        const std::vector<LibraryAsset> moved{at(b, "Old/B/x.JPG"), at(a, "Old/A/x.JPG")};
        const ContentDigests bytes{{"Old/A/x.JPG", bytesOf(a)}, {"Old/B/x.JPG", bytesOf(a)}};
        if (copiedFirst) {
            auto both = moved;
            both.push_back(a);
            both.push_back(b);
            reconcileFiles(index, both, out, {}, bytes);
            for (const auto& copy : moved) {
                EXPECT_EQ(index.entry(copy.id)->firstListing, 2);
                index.entries.at(copy.id).contentDigest = bytesOf(a);
                index.entries.at(copy.id).state = ReviewState::flagged;
            }
        }
        const auto result = reconcileFiles(index, moved, back, {}, bytes);
        EXPECT_EQ(result.returned.size(), 2u);
        EXPECT_EQ(index.entry("Old/A/x.JPG")->state, ReviewState::flaggedByHand);
        EXPECT_EQ(index.entry("Old/B/x.JPG")->state, ReviewState::keptByHand);
    }
}

} // namespace
// A de-duplication tool makes another photograph's name a hard link to one kept by hand; the
// kept name is then moved away by a copy. The file now at the other name came there after the
// keep, as a new file does, and being that very file it takes the keep before the copy does.
TEST(ReturningPhotograph, AKeepPassesToAnotherNameLinkedToItsFileInThePlaceOfAnotherPhotograph) {
    LibraryAsset kept = photo("Import/holiday.JPG", "holiday.JPG", 5),
                 other = photo("Import again/beach.JPG", "beach.JPG", 6);
    kept.fileSize = 5000;
    other.fileSize = 3000;
    kept.file = FileIdentity{20, 1, drive};
    other.file = FileIdentity{21, 1, drive};
    IndexEntry k = known(kept, ReviewState::keptByHand), o = known(other, ReviewState::keeper);
    k.firstListing = o.firstListing = k.reviewListing = 1;
    LibraryIndex index = indexOf({k, o});
    index.listings = 1;

    auto linked = at(kept, other.id);
    linked.file->changedNs = kept.file->changedNs = 2;
    reconcileFiles(index, {kept, linked}, out, {}, {{other.id, bytesOf(kept)}});
    EXPECT_EQ(index.entry(other.id)->state, ReviewState::pending);
    EXPECT_GT(index.entry(other.id)->firstListing, 1);
    index.entries.at(other.id).contentDigest = bytesOf(kept);
    index.entries.at(other.id).state = ReviewState::keeper;

    auto copied = at(kept, "Old/Import/holiday.JPG");
    copied.file = FileIdentity{22, 1, drive};
    const auto result = reconcileFiles(index, {linked, copied}, back);
    EXPECT_EQ(result.returned, (std::vector<Return>{{kept.id, other.id, std::nullopt}}));
    EXPECT_EQ(index.entry(other.id)->state, ReviewState::keptByHand);
    EXPECT_EQ(index.entry(copied.id)->state, ReviewState::pending);
}

// One picture in two folders under one name; one file with its bytes found below another
// folder, the copies' names gone or rewritten in place. The user's review comes before
// Keepsift's own whatever the paths, and among the user's the longest common path end; a flag
// of a file still at its place passes to no last copy; two keeps alike give the one keep.
TEST(ReturningPhotograph, OfCopiesLeavingTogetherTheUsersReviewPassesAndNoFlagOfAStayingFile) {
    enum Left { gone, rewritten };
    struct Copy {
        ReviewState state;
        Left left;
    };
    struct Case {
        Copy import, importAgain;
        std::string foundAt;
        ReviewState expected;
    };
    const std::string below = "Card/Backup/Import again/holiday.jpg", card = "Card/holiday.jpg";
    const Case cases[] = {
        {{ReviewState::keptByHand, rewritten},
         {ReviewState::keeper, gone},
         below,
         ReviewState::keptByHand},
        {{ReviewState::keptByHand, gone},
         {ReviewState::flaggedByHand, gone},
         below,
         ReviewState::flaggedByHand},
        {{ReviewState::flaggedByHand, rewritten},
         {ReviewState::keeper, gone},
         below,
         ReviewState::keeper},
        {{ReviewState::keptByHand, gone},
         {ReviewState::keptByHand, gone},
         card,
         ReviewState::keptByHand},
        {{ReviewState::keeper, rewritten},
         {ReviewState::keptByHand, gone},
         card,
         ReviewState::keptByHand},
    };
    const auto copyAt = [](const std::string& id, std::int64_t number) {
        auto copy = photo(id, "holiday.jpg", 700000100);
        copy.file = FileIdentity{number, 1, drive};
        return copy;
    };
    for (const auto& [import, importAgain, foundAt, expected] : cases) {
        SCOPED_TRACE(::testing::Message() << static_cast<int>(import.state) << import.left
                                          << static_cast<int>(importAgain.state));
        const auto first = copyAt("Import/holiday.jpg", 1);
        const auto second = copyAt("Import again/holiday.jpg", 2);
        auto index = indexOf({known(first, import.state), known(second, importAgain.state)});
        auto found = copyAt(foundAt, 3);
        found.file->fileSystem = drive + 1;
        std::vector<LibraryAsset> listing{found};
        ContentDigests bytes;
        for (const auto& [copy, left] : {std::pair{first, import.left}, {second, importAgain.left}})
            if (left == rewritten) {
                listing.push_back(copy);
                listing.back().modifiedAt = Date{700000200};
                bytes[copy.id] = "bytes of another picture";
            }
        reconcileFiles(index, listing, out, {}, bytes);
        EXPECT_EQ(index.entry(found.id)->state, expected);
    }
}

} // namespace keepsift
