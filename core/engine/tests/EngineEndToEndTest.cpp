#include <gtest/gtest.h>

#include "core/engine/tests/EngineRig.hpp"

namespace keepsift {
namespace {

using testing::EngineRig;
using testing::Shot;
using Event = ReviewJournal::Event;

const std::vector<Shot> twoMomentsAndSolitary = {
    {"a1", 0, 0, 0.9f},      {"a2", 5, 0, 0.3f},      {"a3", 10, 0, 0.4f},
    {"b1", 100000, 1, 0.4f}, {"b2", 100004, 1, 0.9f}, {"s1", 200000, 2, 0.5f},
};

using testing::events;

std::vector<std::string> idsIn(const LibraryIndex& index, ReviewState state) {
    std::vector<std::string> ids;
    for (const auto& [id, entry] : index.entries)
        if (entry.state == state) ids.push_back(id);
    return ids;
}

// The engine keeps its groups at hand; the list must equal one built from the whole index.
void expectFilesMatch(const EngineRig<>& rig) {
    const auto index = rig.engine->index();
    EXPECT_EQ(rig.engine->snapshot().review, ReviewList::build(index.entries, index.ignoredGroups));
    EXPECT_EQ(rig.savedIndex(), rig.engine->index());
    EXPECT_EQ(rig.savedJournal(), rig.engine->journal());
    EXPECT_FALSE(rig.engine->pendingSave());
}

// The whole road of a library: first listing, measurement, grouping, the rejects album,
// the user's corrections, a delete batch, and a restart from the saved files.
TEST(EngineEndToEnd, FromAnEmptyIndexToADeleteBatchAndARestart) {
    EngineRig<> rig(twoMomentsAndSolitary);
    auto& engine = *rig.engine;
    EXPECT_EQ(engine.index().count(), 0u);

    engine.refreshAuthorization();
    EXPECT_EQ(engine.refreshStorageMode(), LibraryStorage::local);
    const auto found = engine.reconcileWithLibrary();
    EXPECT_EQ(found.added, (std::vector<std::string>{"a1", "a2", "a3", "b1", "b2", "s1"}));
    EXPECT_EQ(idsIn(engine.index(), ReviewState::pending).size(), 6u);
    EXPECT_EQ(engine.queue().items.size(), 6u);
    EXPECT_EQ(engine.queue().items.front().origin, ScanQueue::Origin::backlog);
    EXPECT_TRUE(engine.journal().isEmpty());
    expectFilesMatch(rig);

    EXPECT_EQ(rig.analyseAll(), 6);
    EXPECT_TRUE(engine.hasCompletedFirstPass());
    EXPECT_EQ(engine.bytesThisBatch(), 6000);
    EXPECT_EQ(engine.snapshot().analysed, 6);

    rig.clock->advance(60);
    const auto decisions = engine.regroup();
    EXPECT_EQ(decisions.size(), 3u);
    EXPECT_EQ(idsIn(engine.index(), ReviewState::flagged),
              (std::vector<std::string>{"a2", "a3", "b1"}));
    EXPECT_EQ(idsIn(engine.index(), ReviewState::keeper),
              (std::vector<std::string>{"a1", "b2", "s1"}));
    EXPECT_EQ(engine.journal().count(), 6u);
    EXPECT_TRUE(engine.albumNeedsSync());
    EXPECT_EQ(engine.reviewableGroups(), 2);
    expectFilesMatch(rig);
    auto snapshot = engine.snapshot();
    EXPECT_EQ(snapshot.review.groups.size(), 2u);
    EXPECT_EQ(snapshot.review.flaggedCount, 3);
    EXPECT_EQ(snapshot.review.reclaimableBytes, 3000);
    const std::string groupA = *rig.entry("a1").groupID;
    const std::string groupB = *rig.entry("b1").groupID;

    engine.syncRejectsAlbumIfNeeded();
    ASSERT_EQ(rig.library->rejectionCalls().size(), 1u);
    EXPECT_EQ(rig.library->rejectionCalls()[0],
              (ScriptedLibrary::RejectionCall{{"a2", "a3", "b1"}, true}));
    EXPECT_EQ(rig.library->rejectedIDs(), (std::set<std::string>{"a2", "a3", "b1"}));
    EXPECT_TRUE(rig.entry("a2").asset.isRejected);
    EXPECT_EQ(engine.mutationGeneration(), 1);
    EXPECT_FALSE(engine.albumNeedsSync());
    expectFilesMatch(rig);

    engine.override("a2", true);
    EXPECT_EQ(rig.state("a2"), ReviewState::keptByHand);
    EXPECT_EQ(events(engine.journal()).back(), Event::overriddenToKeep);
    EXPECT_EQ(rig.library->rejectionCalls().back(),
              (ScriptedLibrary::RejectionCall{{"a2"}, false}));
    EXPECT_FALSE(rig.entry("a2").asset.isRejected);
    EXPECT_EQ(rig.savedIndex().entry("a2")->state, ReviewState::keptByHand);
    // The album's flags follow a decision with the next save.
    engine.flush();
    expectFilesMatch(rig);

    const auto journalBeforeIgnore = engine.journal().count();
    engine.ignore(groupB);
    EXPECT_EQ(rig.state("b1"), ReviewState::keptByHand);
    EXPECT_EQ(rig.state("b2"), ReviewState::keptByHand);
    EXPECT_TRUE(engine.index().ignoredGroups.count(groupB));
    EXPECT_EQ(rig.library->rejectionCalls().back(),
              (ScriptedLibrary::RejectionCall{{"b1"}, false}));
    EXPECT_EQ(engine.journal().count(), journalBeforeIgnore);
    engine.flush();
    expectFilesMatch(rig);
    EXPECT_EQ(engine.snapshot().review.groups.size(), 1u);

    engine.reset(groupB);
    EXPECT_FALSE(engine.index().ignoredGroups.count(groupB));
    EXPECT_EQ(rig.state("b1"), ReviewState::flagged);
    EXPECT_EQ(rig.state("b2"), ReviewState::keeper);
    EXPECT_EQ(rig.library->rejectionCalls().back(), (ScriptedLibrary::RejectionCall{{"b1"}, true}));
    engine.flush();
    expectFilesMatch(rig);

    EXPECT_THROW(engine.deleteBatch(std::nullopt, 1), BatchMoved);
    EXPECT_TRUE(rig.library->deleteCalls().empty());
    rig.clock->advance(5);
    EXPECT_EQ(engine.deleteBatch(std::nullopt, 2).deletedCount(), 2);
    EXPECT_EQ(rig.library->deleteCalls().back(), (std::vector<std::string>{"a3", "b1"}));
    for (const auto* id : {"a3", "b1"}) {
        EXPECT_EQ(rig.state(id), ReviewState::deleted);
        EXPECT_FALSE(rig.entry(id).signals.has_value());
    }
    const auto journal = engine.journal();
    EXPECT_EQ(journal.batches(), 1);
    EXPECT_EQ(journal.deletedCount(), 2);
    EXPECT_EQ(journal.entries().back().batch, 1);
    EXPECT_EQ(engine.index().ignoredGroups, (std::set<std::string>{groupA, groupB}));
    EXPECT_TRUE(engine.snapshot().review.isEmpty());
    EXPECT_EQ(engine.snapshot().known, 4);
    expectFilesMatch(rig);

    // A new launch continues from the files where the last one stopped.
    const auto index = engine.index();
    const auto savedJournal = engine.journal();
    rig.start();
    EXPECT_EQ(rig.engine->index(), index);
    EXPECT_EQ(rig.engine->journal(), savedJournal);
    EXPECT_TRUE(rig.engine->reconcileWithLibrary().isEmpty());
    EXPECT_FALSE(rig.engine->analyseNext(testing::runnable()));
    rig.engine->regroup();
    for (const auto& [id, entry] : index.entries)
        EXPECT_EQ(rig.state(id), entry.state) << id;
    EXPECT_EQ(rig.engine->journal().count(), savedJournal.count());
}

// A photograph arriving after a restart is measured and grouped into the moment it
// belongs to; the album takes in the new reject.
TEST(EngineEndToEnd, ArrivalAfterRestartJoinsItsMoment) {
    std::vector<Shot> later = twoMomentsAndSolitary;
    later.push_back({"a4", 15, 0, 0.2f});
    EngineRig<> rig(twoMomentsAndSolitary);
    rig.source = std::make_shared<FixtureSignalSource>(testing::recordingsOf(later),
                                                       FixtureSignalSource::Miss::refuse);
    rig.start();
    rig.scanAll();
    rig.engine->syncRejectsAlbumIfNeeded();
    rig.engine->flush();

    rig.start();
    auto stream = rig.engine->libraryChanges();
    rig.library->add({testing::assetOf(later.back())});
    auto change = stream->next(std::chrono::milliseconds(100));
    ASSERT_TRUE(change.has_value());
    rig.engine->handleLibraryChange(*change);
    ASSERT_EQ(rig.engine->queue().items.size(), 1u);
    EXPECT_EQ(rig.engine->queue().items[0].origin, ScanQueue::Origin::arrival);
    EXPECT_EQ(rig.analyseAll(), 1);
    rig.engine->regroup();
    rig.engine->syncRejectsAlbumIfNeeded();
    EXPECT_EQ(rig.state("a4"), ReviewState::flagged);
    EXPECT_EQ(rig.entry("a4").groupID, rig.entry("a1").groupID);
    EXPECT_TRUE(rig.library->rejectedIDs().count("a4"));
    stream->cancel();
}

} // namespace
} // namespace keepsift

namespace keepsift {
namespace {

// Stopping halfway and starting again from the files measures only what was left.
TEST(EngineEndToEnd, RestartHalfwayMeasuresOnlyWhatWasLeft) {
    EngineRig<> rig(twoMomentsAndSolitary);
    rig.engine->reconcileWithLibrary();
    for (int step = 0; step < 3; ++step)
        ASSERT_TRUE(rig.engine->analyseNext(testing::runnable()));
    rig.engine->regroup();
    rig.engine->flush();
    EXPECT_FALSE(rig.engine->hasCompletedFirstPass());

    rig.start();
    EXPECT_EQ(rig.engine->snapshot().analysed, 3);
    EXPECT_TRUE(rig.engine->reconcileWithLibrary().isEmpty());
    EXPECT_EQ(rig.engine->queue().items.size(), 3u);
    EXPECT_EQ(rig.analyseAll(), 3);
    EXPECT_TRUE(rig.engine->hasCompletedFirstPass());
    rig.engine->regroup();
    EXPECT_EQ(rig.state("a3"), ReviewState::flagged);
}

} // namespace
} // namespace keepsift

namespace keepsift {
namespace {

// A quit between a decision and the album's update leaves the album behind the saved index:
// the next start brings it in line at its first album sync, without any new decision.
TEST(EngineEndToEnd, AnAlbumBehindTheSavedIndexCatchesUpAfterARestart) {
    EngineRig<> rig(twoMomentsAndSolitary);
    rig.scanAll();
    rig.engine->flush();
    ASSERT_EQ(rig.state("a2"), ReviewState::flagged);
    ASSERT_TRUE(rig.library->rejectedIDs().empty()) << "the album was never synced";

    rig.start();
    rig.engine->reconcileWithLibrary();
    rig.engine->regroup();
    rig.engine->syncRejectsAlbumIfNeeded();
    std::set<std::string> flagged;
    for (const auto& [id, entry] : rig.engine->index().entries)
        if (isFlagged(entry.state)) flagged.insert(id);
    EXPECT_TRUE(flagged.count("a2"));
    EXPECT_EQ(rig.library->rejectedIDs(), flagged);

    // In line, a later start has nothing to write.
    rig.engine->flush();
    rig.start();
    rig.engine->reconcileWithLibrary();
    EXPECT_FALSE(rig.engine->albumNeedsSync());
}

} // namespace
} // namespace keepsift
