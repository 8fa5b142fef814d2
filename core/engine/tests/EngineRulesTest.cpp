#include <algorithm>
#include <gtest/gtest.h>

#include "core/engine/tests/EngineRig.hpp"

namespace keepsift {
namespace {

using testing::EngineRig;
using testing::ScannedEngine;
using testing::Shot;
using Event = ReviewJournal::Event;

using testing::momentAndSolitary;

using testing::events;

TEST(EngineStart, NewEngineHasFreshDefaults) {
    EngineRig<> rig(momentAndSolitary);
    const auto index = rig.engine->index();
    EXPECT_EQ(index.version, std::string(PhotoSignals::printRevision) + "|" +
                                 std::string(PhotoSignals::recipe) + "|index4");
    EXPECT_EQ(index.count(), 0u);
    EXPECT_EQ(rig.engine->journal().limit(), 2000);
    EXPECT_TRUE(rig.engine->queue().items.empty());
    EXPECT_EQ(rig.engine->queue().capacity, 200);
}

TEST(EngineStart, AuthorizationIsAskedOnlyWhenAllowedAndUndecided) {
    EngineRig<> rig(momentAndSolitary);
    rig.library->setAuthorization(LibraryAuthorization::notDetermined);
    EXPECT_EQ(rig.engine->ensureAuthorization(false), LibraryAuthorization::notDetermined);
    EXPECT_EQ(rig.library->authorizationRequests(), 0);
    EXPECT_EQ(rig.engine->ensureAuthorization(true), LibraryAuthorization::authorized);
    EXPECT_EQ(rig.engine->ensureAuthorization(true), LibraryAuthorization::authorized);
    EXPECT_EQ(rig.library->authorizationRequests(), 1);
    EXPECT_EQ(rig.engine->authorization(), LibraryAuthorization::authorized);
}

TEST(EngineStart, StorageModeIsAskedAgainOnlyWhileUnknown) {
    EngineRig<> rig(momentAndSolitary, LibraryStorage::unknown);
    EXPECT_EQ(rig.engine->refreshStorageMode(), LibraryStorage::unknown);
    rig.library->setStorageMode(LibraryStorage::local);
    EXPECT_EQ(rig.engine->refreshStorageMode(), LibraryStorage::local);
    rig.library->setStorageMode(LibraryStorage::optimised);
    EXPECT_EQ(rig.engine->refreshStorageMode(), LibraryStorage::local);
}

TEST(EngineStart, ReconciliationWithoutReadAccessChangesNothing) {
    EngineRig<> rig(momentAndSolitary);
    rig.library->setAuthorization(LibraryAuthorization::denied);
    EXPECT_TRUE(rig.engine->reconcileWithLibrary().isEmpty());
    EXPECT_EQ(rig.engine->index().count(), 0u);
    EXPECT_EQ(rig.engine->authorization(), LibraryAuthorization::denied);
}

TEST(EngineAnalysis, UnreadableAndUtilityPhotographsAreSkipped) {
    std::vector<Shot> more = momentAndSolitary;
    more.push_back({"missing", 20000, 2});
    EngineRig<> rig(more);
    auto recordings = testing::recordingsOf(momentAndSolitary);
    recordings[3].isUtility = true;
    rig.source =
        std::make_shared<FixtureSignalSource>(recordings, FixtureSignalSource::Miss::refuse);
    rig.start();
    rig.scanAll();
    EXPECT_EQ(rig.entry("missing").skip, SkipReason::unreadable);
    EXPECT_EQ(rig.state("missing"), ReviewState::skipped);
    EXPECT_EQ(rig.entry("s1").skip, SkipReason::utility);
    EXPECT_TRUE(rig.engine->hasCompletedFirstPass());
}

TEST(EngineAnalysis, GroupLimitStopsWorkWithoutTouchingTheQueue) {
    EngineRig<> rig(momentAndSolitary);
    rig.engine->reconcileWithLibrary();
    rig.engine->setBatchLimit(0, std::nullopt);
    const auto queue = rig.engine->queue();
    EXPECT_FALSE(rig.engine->analyseNext(testing::runnable()));
    EXPECT_EQ(rig.engine->queue(), queue);
    EXPECT_TRUE(rig.engine->snapshot().batchIsFull);
}

TEST(EngineAnalysis, ArrivalsAreMeasuredBeforeTheBacklog) {
    EngineRig<> rig(momentAndSolitary);
    rig.engine->reconcileWithLibrary();
    rig.engine->handleLibraryChange(
        change::AssetsChanged{{testing::assetOf(momentAndSolitary[0])}});
    rig.library->add({testing::assetOf({"new", 50, 0})});
    rig.engine->handleLibraryChange(change::AssetsAdded{{testing::assetOf({"new", 50, 0})}});
    const auto queue = rig.engine->queue();
    EXPECT_EQ(queue.items.back().id, "new");
    EXPECT_EQ(queue.items.back().origin, ScanQueue::Origin::arrival);
    EXPECT_FALSE(queue.items.back().capturedAt.has_value());
    EXPECT_EQ(rig.engine->snapshot().waiting, 5);
    EXPECT_TRUE(rig.engine->analyseNext(testing::runnable()));
    EXPECT_EQ(rig.entry("a1").signals.has_value(), false);
    EXPECT_EQ(rig.engine->queue().items.size(), 4u);
}

TEST(EngineRegroup, GroupNearAnUnmeasuredPhotographIsHeldBack) {
    std::vector<Shot> withLate = momentAndSolitary;
    withLate.push_back({"late", 610, 3});
    EngineRig<> rig(withLate);
    rig.engine->reconcileWithLibrary();
    for (const auto& shot : momentAndSolitary)
        rig.engine->recordSignals(rig.source->signals(testing::assetOf(shot).reference()), shot.id);
    rig.engine->regroup();
    EXPECT_EQ(rig.state("a1"), ReviewState::pending);
    EXPECT_EQ(rig.state("s1"), ReviewState::keeper);
    EXPECT_EQ(events(rig.engine->journal()), std::vector<Event>{Event::kept});
}

// A regroup that changes a few photographs updates what the engine tracks in place; the
// review and counts it then shows are those of a review built afresh from the index.
TEST(EngineRegroup, SmallRegroupShowsWhatAFreshReviewShows) {
    std::vector<Shot> moments;
    for (int moment = 0; moment < 12; ++moment)
        for (int shot = 0; shot < 3; ++shot)
            moments.push_back({"m" + std::to_string(moment) + "-" + std::to_string(shot),
                               moment * 9000.0 + shot * 5, moment, shot == 0 ? 0.9f : 0.3f});
    std::vector<Shot> later = moments;
    later.push_back({"m0-3", 15, 0, 0.95f}); // sharper than its moment's keeper
    EngineRig<> rig(moments);
    rig.source = std::make_shared<FixtureSignalSource>(testing::recordingsOf(later),
                                                       FixtureSignalSource::Miss::refuse);
    rig.start();
    rig.scanAll();
    rig.library->add({testing::assetOf(later.back())});
    rig.engine->reconcileWithLibrary();
    EXPECT_EQ(rig.analyseAll(), 1);
    rig.engine->regroup();
    EXPECT_EQ(rig.entry("m0-3").groupID, rig.entry("m0-0").groupID);
    const EngineSnapshot updated = rig.engine->snapshot();
    rig.engine->updateIndex([](LibraryIndex&) {}); // builds everything tracked afresh
    EXPECT_EQ(updated, rig.engine->snapshot());
    EXPECT_EQ(updated.review.groups.size(), 12u);
}

TEST_F(ScannedEngine, SecondPassWritesNothingAndHandDecisionsStay) {
    engine().override("a3", true);
    const auto journal = engine().journal();
    engine().regroup();
    EXPECT_EQ(engine().journal(), journal);
    EXPECT_EQ(rig.state("a3"), ReviewState::keptByHand);
    EXPECT_FALSE(engine().albumNeedsSync());
}

TEST_F(ScannedEngine, PhotoNoLongerFlaggedIsJournalledWithItsOldReason) {
    const auto reason = rig.entry("a2").reason;
    engine().updateIndex([](LibraryIndex& index) {
        auto entry = *index.entry("a2");
        entry.signals->sharpness = 0.95f;
        entry.signals->aestheticsScore = 0.9f;
        index.setEntry("a2", entry);
    });
    engine().regroup();
    EXPECT_EQ(rig.state("a2"), ReviewState::keeper);
    const auto entries = engine().journal().entries();
    const auto kept = std::find_if(entries.begin(), entries.end(), [](const auto& e) {
        return e.assetID == "a2" && e.event == Event::kept;
    });
    ASSERT_NE(kept, entries.end());
    EXPECT_EQ(kept->reason, reason);
    EXPECT_TRUE(engine().albumNeedsSync());
}

// One synchronisation: the additions, then the removals, each list in identifier order;
// a marked photograph that is deleted or kept by hand leaves the album.
TEST(EngineAlbum, AdditionsThenRemovalsEachInIdentifierOrder) {
    EngineRig<> rig(momentAndSolitary);
    rig.scanAll();
    rig.engine->updateIndex([](LibraryIndex& index) {
        index.setState(ReviewState::keptByHand, "s1", Date{});
        index.setState(ReviewState::deleted, "a1", Date{});
        index.entries["s1"].asset.isRejected = true;
        index.entries["a1"].asset.isRejected = true;
    });
    const auto generation = rig.engine->mutationGeneration();
    rig.engine->syncRejectsAlbumIfNeeded();
    EXPECT_EQ(rig.library->rejectionCalls(), (std::vector<ScriptedLibrary::RejectionCall>{
                                                 {{"a2", "a3"}, true}, {{"a1", "s1"}, false}}));
    EXPECT_EQ(rig.engine->mutationGeneration(), generation + 2);
    EXPECT_EQ(rig.engine->ownWrites(), (std::set<std::string>{"a1", "a2", "a3", "s1"}));
    EXPECT_TRUE(rig.entry("a3").asset.isRejected);
    EXPECT_FALSE(rig.entry("s1").asset.isRejected);

    // The library reports the engine's own writes back: nothing is adopted.
    const auto journal = rig.engine->journal();
    rig.engine->handleLibraryChange(change::RejectsAlbumChanged{{"a2", "a3"}, {"a1", "s1"}});
    EXPECT_TRUE(rig.engine->ownWrites().empty());
    EXPECT_EQ(rig.engine->journal(), journal);
    EXPECT_EQ(rig.state("a2"), ReviewState::flagged);
}

TEST_F(ScannedEngine, AlbumChangesMadeOutsideAreAdoptedAsDecisionsByHand) {
    // The library reports the engine's own writes back: nothing more happens for them.
    const auto journal = engine().journal();
    ASSERT_EQ(engine().ownWrites(), (std::set<std::string>{"a2", "a3"}));
    engine().handleLibraryChange(change::RejectsAlbumChanged{{"a2", "a3"}, {}});
    EXPECT_TRUE(engine().ownWrites().empty());
    EXPECT_EQ(rig.state("a3"), ReviewState::flagged);
    EXPECT_EQ(engine().journal(), journal);

    rig.library->markRejected({"a2"}, false);
    engine().handleLibraryChange(change::RejectsAlbumChanged{{}, {"a2"}});
    EXPECT_FALSE(rig.entry("a2").asset.isRejected);
    EXPECT_EQ(rig.state("a2"), ReviewState::keptByHand);
    EXPECT_EQ(events(engine().journal()).back(), Event::unflaggedElsewhere);

    engine().handleLibraryChange(change::RejectsAlbumChanged{{"a1"}, {}});
    EXPECT_EQ(rig.state("a1"), ReviewState::flaggedByHand);
    EXPECT_EQ(events(engine().journal()).back(), Event::overriddenToFlag);
}

TEST(EngineChanges, PendingPhotographAddedToTheAlbumOnlyBecomesMarked) {
    EngineRig<> rig(momentAndSolitary);
    rig.engine->reconcileWithLibrary();
    rig.engine->handleLibraryChange(change::RejectsAlbumChanged{{"a1"}, {}});
    EXPECT_TRUE(rig.entry("a1").asset.isRejected);
    EXPECT_EQ(rig.state("a1"), ReviewState::pending);
    EXPECT_TRUE(rig.engine->journal().isEmpty());
}

TEST_F(ScannedEngine, DeletionsElsewhereAreJournalledOnce) {
    engine().handleLibraryChange(change::AssetsDeleted{{"a1", "a1", "unknown"}});
    EXPECT_EQ(rig.state("a1"), ReviewState::deleted);
    EXPECT_EQ(engine().journal().deletions().size(), 1u);
    EXPECT_EQ(engine().journal().deletions()[0].reason, rig.entry("a1").reason);

    rig.library->remove({"a1", "s1"});
    const auto result = engine().reconcileWithLibrary();
    EXPECT_EQ(result.deleted, std::vector<std::string>{"s1"});
    EXPECT_EQ(engine().journal().deletions().size(), 2u);
}

TEST_F(ScannedEngine, AuthorizationChangeIsStoredAndRaisesTheGeneration) {
    const auto generation = engine().mutationGeneration();
    engine().handleLibraryChange(change::AuthorizationChanged{LibraryAuthorization::denied});
    EXPECT_EQ(engine().authorization(), LibraryAuthorization::denied);
    EXPECT_EQ(engine().mutationGeneration(), generation + 1);
    EXPECT_TRUE(engine().pendingSave());
}

TEST_F(ScannedEngine, ForcedBatchIgnoresTheExpectedCount) {
    EXPECT_EQ(engine().deleteBatch(std::nullopt, 7, true).deletedCount(), 2);
    EXPECT_EQ(rig.library->deleteCalls().back(), (std::vector<std::string>{"a2", "a3"}));
}

TEST_F(ScannedEngine, DecisionOfOneGroupIsComputedAfresh) {
    const auto group = *rig.entry("a1").groupID;
    const auto decision = engine().decision(group);
    ASSERT_TRUE(decision.has_value());
    EXPECT_EQ(decision->kind, PhotoGroup::Kind::moment);
    EXPECT_EQ(decision->decisions.size(), 3u);
    EXPECT_EQ(engine().decision(*rig.entry("s1").groupID)->kind, PhotoGroup::Kind::solitary);
    EXPECT_FALSE(engine().decision("no-such-group").has_value());
}

TEST_F(ScannedEngine, ExtendingTheBatchOpensTheNextOne) {
    EXPECT_EQ(engine().reviewableGroups(), 1);
    engine().setBatchLimit(std::nullopt, 5000);
    engine().extendBatch(200);
    EXPECT_EQ(engine().batchLimit(), (ScanEngine::BatchLimit{201, 5000}));
    EXPECT_EQ(engine().bytesThisBatch(), 0);
}

TEST(EngineReadOnly, WithoutLibraryWritesTheAlbumAndDeletionAreLeftAlone) {
    EngineRig<> rig(momentAndSolitary, LibraryStorage::local, std::nullopt, false);
    rig.scanAll();
    rig.engine->flush();
    const auto saved = rig.storage->read(std::string(ScanEngine::indexFileName));
    rig.engine->syncRejectsAlbumIfNeeded();
    EXPECT_FALSE(rig.engine->albumNeedsSync());
    EXPECT_TRUE(rig.library->rejectionCalls().empty());
    EXPECT_EQ(rig.storage->read(std::string(ScanEngine::indexFileName)), saved);
    EXPECT_EQ(rig.engine->deleteBatch(std::nullopt, 99), DeletionReport{});
    EXPECT_TRUE(rig.library->deleteCalls().empty());
    // An override is still kept, and saved at once.
    rig.engine->override("a1", false);
    EXPECT_EQ(rig.savedIndex().entry("a1")->state, ReviewState::flaggedByHand);
}

// A changed photograph brings the stored flags of every entry to its asset, as reconciling
// with the whole index would: whether the entries came from the file or were measured since.
TEST(EngineChanges, OneChangedPhotographLeavesTheIndexAsTheWholeReconciliation) {
    EngineRig<> rig(momentAndSolitary);
    rig.scanAll();
    rig.engine->flush();
    auto offFlags = [](PhotoSignals signals) {
        signals.isFavourite = !signals.isFavourite;
        signals.isInUserAlbum = !signals.isInUserAlbum;
        signals.isEdited = !signals.isEdited;
        return signals;
    };
    // Measured since the last full reconciliation, with flags its asset does not have.
    rig.engine->recordSignals(offFlags(*rig.entry("a2").signals), "a2");
    // Read from the file with such flags.
    auto stored = rig.savedIndex();
    stored.entries.at("a3").signals = offFlags(*stored.entries.at("a3").signals);
    rig.storage->write(std::string(ScanEngine::indexFileName), stored.encoded());
    for (bool fromFile : {false, true}) {
        if (fromFile) rig.start();
        auto expected = rig.engine->index();
        auto changed = testing::assetOf(momentAndSolitary[0]);
        changed.isFavourite = true;
        expected.reconcileChanged({changed});
        rig.engine->handleLibraryChange(change::AssetsChanged{{changed}});
        EXPECT_EQ(rig.engine->index().entries, expected.entries) << fromFile;
        rig.engine->recordSignals(offFlags(*rig.entry("s1").signals), "s1");
        expected = rig.engine->index();
        expected.reconcileChanged({changed});
        rig.engine->handleLibraryChange(change::AssetsChanged{{changed}});
        EXPECT_EQ(rig.engine->index().entries, expected.entries) << fromFile;
    }
}

} // namespace
} // namespace keepsift
