#include <gtest/gtest.h>

#include "IndexFixtures.hpp"

namespace keepsift {
namespace {

using namespace fixtures;
using Ids = std::vector<std::string>;

const double y2021 = 631152000, y2022 = 662688000, y2023 = 694224000;

Ids idsOf(const std::vector<IndexEntry>& entries) {
    Ids out;
    for (const auto& e : entries)
        out.push_back(e.asset.id);
    return out;
}

IndexEntry with(IndexEntry e, auto edit) {
    edit(e);
    return e;
}

TEST(IndexQueries, AwaitingSignalsNewestFirstThenByIdentifier) {
    const LibraryIndex index = indexOf({
        IndexEntry::fresh(asset("a", y2021)),
        IndexEntry::fresh(asset("c", y2023)),
        IndexEntry::fresh(asset("b", y2022)),
        IndexEntry::fresh(asset("d", y2022)),
        with(IndexEntry::fresh(asset("o", y2023)), [](auto& e) { e.needsOriginal = true; }),
        measured(asset("m", y2023), ReviewState::pending),
        with(IndexEntry::fresh(asset("s", y2023)), [](auto& e) { e.state = ReviewState::skipped; }),
        with(IndexEntry::fresh(asset("x", y2023)), [](auto& e) { e.state = ReviewState::deleted; }),
    });
    EXPECT_EQ(idsOf(index.entriesAwaitingSignals()), (Ids{"c", "b", "d", "a"}));
    EXPECT_TRUE(index.hasEntriesAwaitingSignals());
    EXPECT_TRUE(index.hasEntriesNeedingOriginals());
    EXPECT_EQ(index.newestDateAwaitingSignals(), Date{y2023});
}

TEST(IndexQueries, UndatedEntriesComeLastAndHaveNoNewestDate) {
    const LibraryIndex undated =
        indexOf({IndexEntry::fresh(asset("b")), IndexEntry::fresh(asset("a"))});
    EXPECT_EQ(undated.newestDateAwaitingSignals(), std::nullopt);
    EXPECT_EQ(idsOf(undated.entriesAwaitingSignals()), (Ids{"a", "b"}));
    LibraryIndex mixed = undated;
    mixed.setEntry("z", IndexEntry::fresh(asset("z", y2021)));
    EXPECT_EQ(idsOf(mixed.entriesAwaitingSignals()), (Ids{"z", "a", "b"}));
    EXPECT_EQ(mixed.newestDateAwaitingSignals(), Date{y2021});
    EXPECT_EQ(LibraryIndex{}.newestDateAwaitingSignals(), std::nullopt);
    EXPECT_FALSE(LibraryIndex{}.hasEntriesAwaitingSignals());
}

TEST(IndexQueries, NextOriginalIsNewestThenSmallestIdentifierAndNeverSkipped) {
    auto waiting = [](std::string id, double date, ReviewState state = ReviewState::pending) {
        return with(IndexEntry::fresh(asset(id, date)), [&](auto& e) {
            e.needsOriginal = true;
            e.state = state;
        });
    };
    const LibraryIndex index =
        indexOf({waiting("b", y2022), waiting("a", y2022), waiting("c", y2021),
                 waiting("s", y2023, ReviewState::skipped)});
    EXPECT_EQ(index.nextEntryNeedingOriginal()->asset.id, "a");
    EXPECT_EQ(idsOf(index.entriesNeedingOriginals()), (Ids{"a", "b", "c"}));
    EXPECT_EQ(LibraryIndex{}.nextEntryNeedingOriginal(), std::nullopt);
}

TEST(IndexQueries, GroupableSignalsCoverEveryLiveStateInCaptureOrder) {
    LibraryAsset sameTimeB = asset("1", y2022), sameTimeA = asset("2", y2022);
    sameTimeB.filename = "b.jpg";
    sameTimeA.filename = "a.jpg";
    const LibraryIndex index = indexOf({
        measured(sameTimeB, ReviewState::keptByHand),
        measured(sameTimeA, ReviewState::flagged),
        with(measured(asset("3", y2021), ReviewState::pending),
             [](auto& e) { e.needsOriginal = true; }),
        measured(asset("4", y2021), ReviewState::skipped),
        measured(asset("5", y2021), ReviewState::deleted),
        IndexEntry::fresh(asset("6", y2021)),
    });
    Ids order;
    for (const auto& s : index.groupableSignals())
        order.push_back(s.digest);
    EXPECT_EQ(order, (Ids{"3", "2", "1"}));
}

TEST(IndexQueries, FlaggedAndDeletedEntries) {
    const LibraryIndex index = indexOf({measured(asset("a"), ReviewState::flagged),
                                        measured(asset("b"), ReviewState::flaggedByHand),
                                        measured(asset("c"), ReviewState::keeper),
                                        measured(asset("d"), ReviewState::deleted)});
    EXPECT_EQ(idsOf(index.flaggedEntries()), (Ids{"a", "b"}));
    EXPECT_EQ(idsOf(index.deletedEntries()), (Ids{"d"}));
}

TEST(IndexUpdates, RecordSignals) {
    LibraryIndex index = indexOf({
        with(measured(asset("k"), ReviewState::keeper), [](auto& e) { e.needsOriginal = true; }),
        with(IndexEntry::fresh(asset("r")), [](auto& e) { e.needsOriginal = true; }),
        IndexEntry::fresh(asset("d")),
        with(IndexEntry::fresh(asset("s")), [](auto& e) { e.state = ReviewState::skipped; }),
    });
    index.setState(ReviewState::deleted, "d", Date{1});
    index.recordSignals(signals(asset("k")), SkipReason::utility, "k");
    EXPECT_EQ(index.entry("k")->state, ReviewState::skipped);
    EXPECT_FALSE(index.entry("k")->needsOriginal);

    PhotoSignals rendition = signals(asset("r"));
    rendition.printLongEdge = 512;
    index.recordSignals(rendition, std::nullopt, "r");
    EXPECT_TRUE(index.entry("r")->needsOriginal);
    EXPECT_EQ(index.entry("r")->signals, rendition);

    const IndexEntry deleted = *index.entry("d");
    index.recordSignals(signals(asset("d")), std::nullopt, "d");
    EXPECT_EQ(index.entry("d"), deleted);

    index.recordSignals(signals(asset("s")), std::nullopt, "s");
    EXPECT_EQ(index.entry("s")->state, ReviewState::skipped);
    EXPECT_TRUE(index.entry("s")->signals.has_value());
    index.recordSignals(std::nullopt, std::nullopt, "absent");
}

TEST(IndexUpdates, MarkNeedsOriginal) {
    PhotoSignals rendition = signals(asset("r"));
    rendition.printLongEdge = 512;
    LibraryIndex index = indexOf(
        {IndexEntry::fresh(asset("n")), measured(asset("o"), ReviewState::keeper),
         with(IndexEntry::fresh(asset("r")), [&](auto& e) { e.signals = rendition; }),
         with(IndexEntry::fresh(asset("d")), [](auto& e) { e.state = ReviewState::deleted; })});
    index.markNeedsOriginal({"n", "o", "r", "d", "absent"});
    EXPECT_TRUE(index.entry("n")->needsOriginal);
    EXPECT_FALSE(index.entry("o")->needsOriginal);
    EXPECT_TRUE(index.entry("r")->needsOriginal);
    EXPECT_TRUE(index.entry("d")->needsOriginal);
}

TEST(IndexUpdates, GroupDecisionRespectsHandDecisionsAndDeletions) {
    LibraryIndex index = indexOf({measured(asset("h"), ReviewState::flaggedByHand),
                                  measured(asset("p"), ReviewState::pending),
                                  measured(asset("d"), ReviewState::deleted)});
    GroupDecision decision{"G",
                           PhotoGroup::Kind::moment,
                           {{"h", "h", true, Reason::keptSharper, 0},
                            {"p", "p", false, Reason::flaggedBlurred, 0},
                            {"d", "d", true, Reason::keptSharper, 0},
                            {"absent", "x", true, Reason::keptSharper, 0}}};
    index.applyGroupDecision(decision, Date{5});
    EXPECT_EQ(index.entry("h")->state, ReviewState::flaggedByHand);
    EXPECT_EQ(index.entry("h")->groupID, "G");
    EXPECT_EQ(index.entry("h")->decidedAt, std::nullopt);
    EXPECT_EQ(index.entry("p")->state, ReviewState::flagged);
    EXPECT_EQ(index.entry("p")->reason, Reason::flaggedBlurred);
    EXPECT_EQ(index.entry("p")->decidedAt, Date{5});
    EXPECT_EQ(index.entry("d")->groupID, std::nullopt);
    EXPECT_EQ(index.count(), 3u);
}

TEST(IndexUpdates, IgnoreAndResetGroup) {
    auto inGroup = [](std::string id, ReviewState state) {
        return with(measured(asset(id), state), [](auto& e) {
            e.groupID = "G";
            e.reason = Reason::keptOnlyOne;
        });
    };
    LibraryIndex index =
        indexOf({inGroup("f", ReviewState::flagged), inGroup("h", ReviewState::flaggedByHand),
                 inGroup("k", ReviewState::keeper), inGroup("p", ReviewState::pending),
                 inGroup("s", ReviewState::skipped), inGroup("d", ReviewState::deleted)});
    EXPECT_EQ(index.ignoreGroup("G", Date{7}), (Ids{"f", "h"}));
    EXPECT_TRUE(index.ignoredGroups.contains("G"));
    for (const char* id : {"f", "h", "k", "p", "s"})
        EXPECT_EQ(index.entry(id)->state, ReviewState::keptByHand);
    EXPECT_EQ(index.entry("d")->state, ReviewState::deleted);

    index.setState(ReviewState::skipped, "s", Date{8});
    index.resetGroup("G", Date{9});
    EXPECT_FALSE(index.ignoredGroups.contains("G"));
    EXPECT_EQ(index.entry("f")->state, ReviewState::pending);
    EXPECT_EQ(index.entry("f")->reason, std::nullopt);
    EXPECT_EQ(index.entry("f")->groupID, "G");
    EXPECT_EQ(index.entry("s")->state, ReviewState::skipped);
    EXPECT_EQ(index.entry("d")->state, ReviewState::deleted);
}

TEST(IndexUpdates, SetStateToDeletedClearsMeasurementsButKeepsGroupAndReason) {
    LibraryIndex index = indexOf({with(measured(asset("a"), ReviewState::flagged), [](auto& e) {
        e.asset.isRejected = true;
        e.needsOriginal = true;
        e.groupID = "G";
        e.reason = Reason::flaggedBlurred;
    })});
    index.setState(ReviewState::deleted, "a", Date{3});
    const IndexEntry e = *index.entry("a");
    EXPECT_FALSE(e.signals || e.needsOriginal || e.asset.isRejected);
    EXPECT_EQ(e.groupID, "G");
    EXPECT_EQ(e.reason, Reason::flaggedBlurred);
    const LibraryIndex before = index;
    index.setState(ReviewState::keeper, "absent", Date{4});
    EXPECT_EQ(index, before);
    index.addIgnoredGroups({"x", "y"});
    EXPECT_EQ(index.ignoredGroups.size(), 2u);
}

} // namespace
} // namespace keepsift
