#include <gtest/gtest.h>

#include "IndexFixtures.hpp"

namespace keepsift {
namespace {

using namespace fixtures;
using Ids = std::vector<std::string>;

const Date listedAt{800000000};

// A photograph listed with a size and a file identity, all modified in the same second.
LibraryAsset sized(const std::string& id, std::int64_t size, std::int64_t number,
                   std::int64_t changedNs = 1) {
    LibraryAsset a = asset(id, 700000000 + static_cast<double>(size), 700000100);
    a.fileSize = size;
    a.file = FileIdentity{number, changedNs};
    return a;
}

// Measured, its bytes digested as "bytes of <id>".
IndexEntry reviewed(const LibraryAsset& a, ReviewState state) {
    IndexEntry e = measured(a, state);
    e.contentDigest = "bytes of " + a.id;
    e.groupID = "g";
    return e;
}

// The same file listed again after `touch`: its status changed, nothing else.
LibraryAsset touched(LibraryAsset a) {
    a.file->changedNs += 1000;
    return a;
}

TEST(ReplacedFile, AnotherSizeInTheSameSecondIsAChangedFile) {
    LibraryIndex index = indexOf({reviewed(sized("a", 1000, 1), ReviewState::flaggedByHand)});
    const auto listed = sized("a", 1200, 1, 5);
    EXPECT_TRUE(index.returnCandidates({listed}).empty());
    const auto result = index.reconcile({listed}, listedAt);
    EXPECT_EQ(result.needingFreshSignals, Ids{"a"});
    const auto e = *index.entry("a");
    EXPECT_EQ(e.state, ReviewState::pending);
    EXPECT_FALSE(e.signals || e.contentDigest || e.groupID);
    EXPECT_EQ(e.asset, listed);
}

// Its bytes, read back later, are given to a listing; the listing itself reads none.
TEST(ReplacedFile, ARewrittenFileOfTheSameSizeIsToldByItsBytes) {
    for (const bool sameBytes : {true, false}) {
        const auto before = sized("a", 1000, 1);
        LibraryIndex index = indexOf({reviewed(before, ReviewState::keptByHand)});
        const auto listed = touched(before);
        EXPECT_TRUE(index.returnCandidates({listed}).empty());
        const std::string bytes = sameBytes ? "bytes of a" : "other bytes";
        const auto result = index.reconcile({listed}, listedAt, {}, {{"a", bytes}});
        EXPECT_EQ(result.isEmpty(), sameBytes);
        const auto e = *index.entry("a");
        EXPECT_EQ(e.state, sameBytes ? ReviewState::keptByHand : ReviewState::pending);
        EXPECT_EQ(e.signals.has_value(), sameBytes);
        EXPECT_EQ(e.asset, listed);
        // Its identity is now the one the review rests on: nothing to read next time.
        if (sameBytes) {
            EXPECT_TRUE(index.returnCandidates({listed}).empty());
        }
    }
}

// Bytes not read yet tell nothing: the review stays, and the file stays one to read back.
TEST(ReplacedFile, UnreadBytesLeaveTheFileToTheNextListing) {
    const auto before = sized("a", 1000, 1);
    LibraryIndex index = indexOf({reviewed(before, ReviewState::flaggedByHand)});
    const auto listed = touched(before);
    EXPECT_TRUE(index.reconcile({listed}, listedAt).isEmpty());
    EXPECT_EQ(index.entry("a")->state, ReviewState::flaggedByHand);
    EXPECT_EQ(index.entry("a")->asset.file, before.file);
    EXPECT_TRUE(index.returnCandidates({listed}).empty());
    EXPECT_EQ(index.reconcile({listed}, listedAt, {}, {{"a", "other bytes"}}).needingFreshSignals,
              Ids{"a"});
}

// What an earlier build did not keep is unknown: the first listing records it and changes
// nothing, and a file measured without a digest is not taken for another when touched.
TEST(ReplacedFile, FactsAnEarlierBuildDidNotKeepAreRecordedNotCompared) {
    auto old = sized("a", 1000, 1);
    old.fileSize = 0;
    old.file.reset();
    IndexEntry e = measured(old, ReviewState::keptByHand);
    LibraryIndex index = indexOf({e});
    const auto listed = sized("a", 1000, 1);
    EXPECT_TRUE(index.returnCandidates({listed}).empty());
    EXPECT_TRUE(index.reconcile({listed}, listedAt).isEmpty());
    EXPECT_EQ(index.entry("a")->asset, listed);
    EXPECT_TRUE(index.returnCandidates({touched(listed)}).empty());
    EXPECT_TRUE(index.reconcile({touched(listed)}, listedAt).isEmpty());
    EXPECT_EQ(index.entry("a")->state, ReviewState::keptByHand);
}

// Measured by an earlier build, no digest kept: a file listed with a status other than the one
// the index holds, or first listed with one at all, is measured again before its review stands.
// Until then the review stays as it is; a new measurement settles it.
TEST(ReplacedFile, AnEarlierBuildsEntryListedWithAnotherStatusIsMeasuredAgain) {
    const auto before = sized("a", 1000, 1);
    LibraryIndex index = indexOf({measured(before, ReviewState::flaggedByHand)});
    EXPECT_TRUE(index.reconcile({before}, listedAt).isEmpty());
    EXPECT_FALSE(index.entry("a")->measureAgain);
    EXPECT_TRUE(index.reconcile({touched(before)}, listedAt).isEmpty());
    auto e = *index.entry("a");
    EXPECT_TRUE(e.measureAgain);
    EXPECT_EQ(e.state, ReviewState::flaggedByHand);
    index.reconcile({touched(before)}, listedAt);
    EXPECT_TRUE(index.entry("a")->measureAgain);
    index.recordSignals(e.signals, std::nullopt, "a");
    EXPECT_FALSE(index.entry("a")->measureAgain);

    auto unkept = before;
    unkept.file.reset();
    LibraryIndex earliest = indexOf({measured(unkept, ReviewState::flagged)});
    earliest.reconcile({before}, listedAt);
    EXPECT_TRUE(earliest.entry("a")->measureAgain);
    LibraryIndex digested = indexOf({reviewed(unkept, ReviewState::flagged)});
    digested.reconcile({before}, listedAt);
    EXPECT_FALSE(digested.entry("a")->measureAgain);
}

// Measured again, another picture: the review goes, a link in the album waits as a leftover,
// and the photograph is measured afresh.
TEST(ReplacedFile, AnEntryMeasuredOtherwiseIsReviewedAfresh) {
    auto linked = sized("a", 1000, 1);
    linked.isRejected = true;
    auto e = measured(linked, ReviewState::flaggedByHand);
    e.measureAgain = true;
    LibraryIndex index = indexOf({e});
    const auto result = index.measuredOtherwise("a");
    EXPECT_EQ(result.needingFreshSignals, Ids{"a"});
    EXPECT_EQ(result.leftoverLinks, Ids{"a"});
    const auto afresh = *index.entry("a");
    EXPECT_EQ(afresh.state, ReviewState::pending);
    EXPECT_FALSE(afresh.signals || afresh.groupID || afresh.measureAgain);
    EXPECT_TRUE(index.measuredOtherwise("unknown").isEmpty());
}

// Without a listed size kept, the size measured tells of another file.
TEST(ReplacedFile, AnEarlierBuildsMeasuredSizeTellsOfAnotherFile) {
    auto old = sized("a", 1000, 1);
    old.fileSize = 0;
    old.file.reset();
    LibraryIndex index = indexOf({measured(old, ReviewState::keptByHand)});
    index.entries.at("a").signals->fileSize = 1000;
    EXPECT_EQ(index.reconcile({sized("a", 1200, 1)}, listedAt).needingFreshSignals, Ids{"a"});
}

// A library touched throughout: each file at its own place with other times is changed, and
// none is read for the bytes it had there.
TEST(ReplacedFile, FilesOfOtherTimesAtTheirOwnPlacesAreNotRead) {
    std::vector<LibraryAsset> listing{sized("Day1/a.jpg", 1000, 1), sized("Day2/b.jpg", 1100, 2)};
    LibraryIndex index = indexOf({reviewed(listing[0], ReviewState::keptByHand),
                                  reviewed(listing[1], ReviewState::flaggedByHand)});
    for (auto& listed : listing)
        listed.modifiedAt = listed.modifiedAt->adding(5);
    EXPECT_TRUE(index.returnCandidates(listing).empty());
    EXPECT_EQ(index.reconcile(listing, listedAt).needingFreshSignals,
              (Ids{"Day1/a.jpg", "Day2/b.jpg"}));
}

// A file kept by hand and one flagged by hand, `apart` seconds apart, listed swapped.
struct Swap {
    LibraryIndex index;
    std::vector<LibraryAsset> listing;
};

Swap swapOf(const LibraryAsset& kept, LibraryAsset flagged, double apart = 0) {
    flagged.modifiedAt = flagged.modifiedAt->adding(apart);
    Swap swap{indexOf({reviewed(kept, ReviewState::keptByHand),
                       reviewed(flagged, ReviewState::flaggedByHand)}),
              {touched(flagged), touched(kept)}};
    swap.listing[0].id = kept.id;
    swap.listing[1].id = flagged.id;
    return swap;
}

// Two files swapped between folders, of one second or not: each review goes with its bytes,
// and decisions reach each photograph where it is now.
void swapBetweenFolders(double apart) {
    auto [index, listing] =
        swapOf(sized("Day1/a.jpg", 1000, 1), sized("Day2/b.jpg", 1100, 2), apart);
    const auto flaggedNow = listing[0];
    EXPECT_EQ(index.returnCandidates(listing), (Ids{"Day1/a.jpg", "Day2/b.jpg"}));
    const auto result = index.reconcile(
        listing, listedAt, {},
        {{"Day1/a.jpg", "bytes of Day2/b.jpg"}, {"Day2/b.jpg", "bytes of Day1/a.jpg"}});
    EXPECT_TRUE(result.added.empty() && result.needingFreshSignals.empty() &&
                result.deleted.empty());
    EXPECT_EQ(result.returned,
              (std::vector<LibraryIndex::Return>{{"Day2/b.jpg", "Day1/a.jpg", std::nullopt},
                                                 {"Day1/a.jpg", "Day2/b.jpg", std::nullopt}}));
    const auto a = *index.entry("Day1/a.jpg"), b = *index.entry("Day2/b.jpg");
    EXPECT_EQ(a.state, ReviewState::flaggedByHand);
    EXPECT_EQ(a.contentDigest, "bytes of Day2/b.jpg");
    EXPECT_EQ(a.signals->digest, "Day1/a.jpg");
    EXPECT_EQ(a.asset, flaggedNow);
    EXPECT_EQ(b.state, ReviewState::keptByHand);
    EXPECT_EQ(b.contentDigest, "bytes of Day1/a.jpg");
    EXPECT_EQ(b.signals->digest, "Day2/b.jpg");
    EXPECT_TRUE(index.reconcile(listing, listedAt).isEmpty());
}

TEST(ReplacedFile, SwappedFilesTakeTheirReviewsAlong) {
    for (const double apart : {0.0, 60.0}) {
        SCOPED_TRACE(apart);
        swapBetweenFolders(apart);
    }
}

// Two files of one size and second swapped: once one is read back holding the other's bytes,
// the other is read by the listing, which pairs both. A file not read back yet that may be a
// photograph that left is read by the listing too.
TEST(ReplacedFile, SwappedFilesOfOneSizeArePairedOnceOneIsReadBack) {
    auto [index, listing] = swapOf(sized("Day1/a.jpg", 1000, 1), sized("Day2/a.jpg", 1000, 2));
    EXPECT_TRUE(index.returnCandidates(listing).empty());
    const ContentDigests readBack{{"Day1/a.jpg", "bytes of Day2/a.jpg"}};
    EXPECT_EQ(index.returnCandidates(listing, {}, readBack), Ids{"Day2/a.jpg"});
    const auto result = index.reconcile(listing, listedAt, {},
                                        {*readBack.begin(), {"Day2/a.jpg", "bytes of Day1/a.jpg"}});
    EXPECT_EQ(result.returned.size(), 2u);
    EXPECT_EQ(index.entry("Day1/a.jpg")->state, ReviewState::flaggedByHand);
    EXPECT_EQ(index.entry("Day2/a.jpg")->state, ReviewState::keptByHand);
}

// A file moved over another, of the same second or not: its review goes with it, and the
// photograph it replaced is gone.
void moveOver(double apart) {
    const auto kept = sized("a.jpg", 1000, 1);
    auto moved = sized("Import/b.jpg", 1100, 2);
    moved.modifiedAt = moved.modifiedAt->adding(apart);
    LibraryIndex index = indexOf(
        {reviewed(kept, ReviewState::keptByHand), reviewed(moved, ReviewState::flaggedByHand)});
    LibraryAsset over = touched(moved);
    over.id = kept.id;
    const auto result = index.reconcile({over}, listedAt, {}, {{"a.jpg", "bytes of Import/b.jpg"}});
    EXPECT_TRUE(result.deleted.empty() && result.needingFreshSignals.empty());
    EXPECT_EQ(index.entry("a.jpg")->state, ReviewState::flaggedByHand);
    EXPECT_FALSE(index.entry("Import/b.jpg"));
    EXPECT_EQ(index.count(), 1u);
}

TEST(ReplacedFile, AFileMovedOverAnotherTakesItsPlace) {
    for (const double apart : {0.0, 60.0}) {
        SCOPED_TRACE(apart);
        moveOver(apart);
    }
}

namespace linkTimes {

// Rewritten in place and found by its bytes, listed linked: the link made `linkedNs`.
LibraryIndex::Reconciliation rewrittenLinked(LibraryIndex& index, std::int64_t linkedNs) {
    LibraryAsset listed = touched(sized("a", 1000, 1));
    listed.isRejected = true;
    listed.linkedNs = linkedNs;
    return index.reconcile({listed}, listedAt, {}, {{"a", "other bytes"}});
}

} // namespace linkTimes

// The user's link speaks for the file as it was when made: made since the rewrite, it flags the
// new bytes; made before, it was left there by the reviewed ones, whoever linked them. Made in
// the same tick of the clock, it is not proven made since, and flags no picture.
TEST(ReplacedFile, AUsersLinkFlagsTheBytesItWasMadeFor) {
    const std::int64_t rewrittenNs = touched(sized("a", 1000, 1)).file->changedNs;
    for (const auto state :
         {ReviewState::keeper, ReviewState::flaggedByHand, ReviewState::pending}) {
        for (const std::int64_t linkedNs : {rewrittenNs + 5, rewrittenNs, rewrittenNs - 5}) {
            SCOPED_TRACE(std::string(toString(state)) + " " + std::to_string(linkedNs));
            auto before = sized("a", 1000, 1);
            before.isRejected = state == ReviewState::flaggedByHand;
            LibraryIndex index = indexOf({reviewed(before, state)});
            const auto result = linkTimes::rewrittenLinked(index, linkedNs);
            EXPECT_EQ(result.needingFreshSignals, Ids{"a"});
            EXPECT_EQ(result.leftoverLinks, linkedNs <= rewrittenNs ? Ids{"a"} : Ids{});
        }
    }
}

// Found with its status moved and its bytes not read yet, a reviewed photograph's new link
// that is not proven made since waits for them: it is the user's flag if they are the reviewed
// ones, and was left there by them if not. One made since is the user's flag at once.
TEST(ReplacedFile, ALinkNotProvenSinceTheChangeWaitsForTheBytes) {
    const std::int64_t changedNs = touched(sized("a", 1000, 1)).file->changedNs;
    for (const bool sameBytes : {true, false}) {
        for (const std::int64_t linkedNs : {changedNs + 5, changedNs, changedNs - 5}) {
            SCOPED_TRACE(std::to_string(sameBytes) + " " + std::to_string(linkedNs));
            LibraryIndex index = indexOf({reviewed(sized("a", 1000, 1), ReviewState::keeper)});
            LibraryAsset listed = touched(sized("a", 1000, 1));
            listed.isRejected = true;
            listed.linkedNs = linkedNs;
            const bool since = linkedNs > changedNs;
            auto result = index.reconcile({listed}, listedAt);
            EXPECT_EQ(result.rejectionChanged, since ? Ids{"a"} : Ids{});
            EXPECT_EQ(index.entry("a")->asset.isRejected, since);
            if (since) continue;
            const std::string bytes = sameBytes ? "bytes of a" : "other bytes";
            result = index.reconcile({listed}, listedAt, {}, {{"a", bytes}});
            EXPECT_EQ(result.rejectionChanged, sameBytes ? Ids{"a"} : Ids{});
            EXPECT_EQ(result.leftoverLinks, sameBytes ? Ids{} : Ids{"a"});
        }
    }
}

// A photograph not measured yet has no bytes to tell its file by: rewritten or replaced by one
// of its size and modification second, a link not proven made since flags none of it, whether
// it was listed with the file before or not.
TEST(ReplacedFile, AnUnmeasuredPhotographChangedUnderItsLinkIsAnother) {
    const std::int64_t changedNs = touched(sized("a", 1000, 1)).file->changedNs;
    for (const bool listedLinked : {false, true}) {
        for (const std::int64_t linkedNs : {changedNs + 5, changedNs, changedNs - 5}) {
            SCOPED_TRACE(std::to_string(listedLinked) + " " + std::to_string(linkedNs));
            auto before = sized("a", 1000, 1);
            before.isRejected = listedLinked;
            LibraryIndex index = indexOf({IndexEntry::fresh(before)});
            LibraryAsset listed = touched(before);
            listed.isRejected = true;
            listed.linkedNs = linkedNs;
            const auto result = index.reconcile({listed}, listedAt);
            EXPECT_EQ(result.leftoverLinks, linkedNs <= changedNs ? Ids{"a"} : Ids{});
            EXPECT_EQ(index.entry("a")->state, ReviewState::pending);
            // Listed again unchanged, the link is not judged again.
            EXPECT_TRUE(index.reconcile({listed}, listedAt).leftoverLinks.empty());
        }
    }
}

// A file new to the index, linked before it was last changed: the link was made for other
// bytes, or none. At the first listing nothing is known of before, and the link stands.
TEST(ReplacedFile, ALinkMadeBeforeANewFileFlagsNoneOfIt) {
    const auto other = sized("b", 1000, 1);
    const std::int64_t changedNs = 2000;
    for (const bool first : {false, true}) {
        for (const std::int64_t linkedNs : {changedNs + 5, changedNs, changedNs - 5}) {
            SCOPED_TRACE(std::to_string(first) + " " + std::to_string(linkedNs));
            LibraryIndex index = indexOf({reviewed(other, ReviewState::keeper)});
            index.listings = first ? 0 : 1;
            LibraryAsset listed = sized("a", 1000, 2, changedNs);
            listed.isRejected = true;
            listed.linkedNs = linkedNs;
            const auto result = index.reconcile({other, listed}, listedAt);
            EXPECT_EQ(result.added, Ids{"a"});
            EXPECT_EQ(result.leftoverLinks, !first && linkedNs < changedNs ? Ids{"a"} : Ids{});
        }
    }
}

// Keepsift's own link was made for the bytes it measured, whenever it was made.
TEST(ReplacedFile, KeepsiftsOwnLinkIsLeftBehindByARewrite) {
    auto before = sized("a", 1000, 1);
    before.isRejected = true;
    LibraryIndex index = indexOf({reviewed(before, ReviewState::flagged)});
    index.ownLinks.note("a", "bytes of a");
    const auto result = linkTimes::rewrittenLinked(index, 1 << 30);
    EXPECT_EQ(result.leftoverLinks, Ids{"a"});
}

// Where the times are not known, a link first listed with the new file is the user's flag on
// it, and one listed before on a decided photograph was left behind.
TEST(ReplacedFile, WithoutTimesTheListingsTell) {
    for (const bool listedLinked : {false, true}) {
        auto before = sized("a", 1000, 1);
        before.isRejected = listedLinked;
        LibraryIndex index = indexOf({reviewed(before, ReviewState::keptByHand)});
        LibraryAsset listed = touched(before);
        listed.isRejected = true;
        const auto result = index.reconcile({listed}, listedAt, {}, {{"a", "other bytes"}});
        EXPECT_EQ(result.leftoverLinks, listedLinked ? Ids{"a"} : Ids{});
    }
}

} // namespace
} // namespace keepsift
