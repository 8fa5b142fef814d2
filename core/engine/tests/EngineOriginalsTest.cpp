#include <gtest/gtest.h>

#include "core/engine/tests/EngineRig.hpp"

namespace keepsift {
namespace {

using testing::EngineRig;
using testing::Shot;

using testing::momentAndSolitary;

std::int64_t awaitingOriginals(const ScanEngine& engine) {
    return static_cast<std::int64_t>(engine.index().entriesNeedingOriginals().size());
}

struct Optimised : ::testing::Test {
    EngineRig<> rig{momentAndSolitary, LibraryStorage::optimised, 512};
};

TEST_F(Optimised, RenditionsFirstThenOriginalsOfHeldBackGroups) {
    rig.scanAll();
    EXPECT_EQ(rig.engine->storageMode(), LibraryStorage::optimised);
    EXPECT_EQ(rig.engine->bytesThisBatch(), 0);
    EXPECT_EQ(rig.entry("a1").signals->printLongEdge, 512);
    // The moment is held back and waits for its originals; the solitary photo does not.
    EXPECT_EQ(rig.state("a1"), ReviewState::pending);
    EXPECT_EQ(awaitingOriginals(*rig.engine), 3);
    EXPECT_FALSE(rig.entry("s1").needsOriginal);
    EXPECT_EQ(rig.engine->snapshot().waiting, 3);

    EXPECT_EQ(rig.analyseAll(), 3);
    EXPECT_EQ(rig.engine->bytesThisBatch(), 3000);
    EXPECT_FALSE(rig.entry("a1").signals->printLongEdge.has_value());
    rig.engine->regroup();
    EXPECT_EQ(rig.state("a1"), ReviewState::keeper);
    EXPECT_EQ(rig.state("a3"), ReviewState::flagged);
    EXPECT_TRUE(rig.engine->hasCompletedFirstPass());
}

TEST_F(Optimised, FullBatchStillMeasuresRenditionsButFetchesNoOriginal) {
    rig.engine->setBatchLimit(std::nullopt, 1);
    rig.engine->refreshStorageMode();
    rig.engine->reconcileWithLibrary();
    EXPECT_EQ(rig.analyseAll(), 4);
    EXPECT_FALSE(rig.engine->batchIsFull());
    rig.engine->regroup();
    EXPECT_EQ(awaitingOriginals(*rig.engine), 3);
    EXPECT_EQ(rig.analyseAll(), 1);
    EXPECT_TRUE(rig.engine->batchIsFull());
    EXPECT_EQ(rig.analyseAll(), 0);
    EXPECT_EQ(awaitingOriginals(*rig.engine), 2);
    rig.engine->extendBatch(200);
    EXPECT_EQ(rig.engine->batchLimit(), (ScanEngine::BatchLimit{200, 1}));
    EXPECT_EQ(rig.analyseAll(), 1);
    rig.engine->setBatchLimit(std::nullopt, std::nullopt);
    EXPECT_EQ(rig.analyseAll(), 1);
    EXPECT_EQ(awaitingOriginals(*rig.engine), 0);
}

TEST(EngineOriginals, MissingRenditionMarksTheOriginalAtOnce) {
    EngineRig<> rig(momentAndSolitary, LibraryStorage::optimised, std::nullopt);
    rig.engine->reconcileWithLibrary();
    EXPECT_TRUE(rig.engine->analyseNext(testing::runnable()));
    EXPECT_EQ(awaitingOriginals(*rig.engine), 1);
    EXPECT_FALSE(rig.entry("s1").skip.has_value());
}

// Photographs marked for their original on an iCloud library are still measured when a
// later launch finds the originals local, or cannot tell where they are; otherwise their
// groups would stay held back for good.
TEST(EngineOriginals, MarkedPhotographsAreMeasuredOnALaterLocalLaunch) {
    for (auto later : {LibraryStorage::local, LibraryStorage::unknown}) {
        EngineRig<> rig(momentAndSolitary, LibraryStorage::optimised, 512);
        rig.scanAll();
        rig.engine->flush();
        ASSERT_EQ(awaitingOriginals(*rig.engine), 3);

        rig.library->setStorageMode(later);
        rig.start();
        rig.engine->refreshStorageMode();
        rig.engine->reconcileWithLibrary();
        EXPECT_EQ(rig.analyseAll(), 3);
        rig.engine->regroup();
        EXPECT_EQ(awaitingOriginals(*rig.engine), 0);
        EXPECT_EQ(rig.state("a3"), ReviewState::flagged);
        EXPECT_TRUE(rig.engine->hasCompletedFirstPass());
    }
}

TEST(EngineOriginals, OriginalIsDueOnlyMoreThanOneSessionGapAfterUnmeasuredPhotos) {
    const std::vector<Shot> spread = {{"old", 0, 0}, {"edge", 1800, 1}, {"late", 1801, 2}};
    EngineRig<> rig(spread);
    rig.engine->reconcileWithLibrary();
    rig.engine->recordSignals(*rig.source->signals(testing::assetOf(spread[1]).reference()),
                              "edge");
    rig.engine->recordSignals(*rig.source->signals(testing::assetOf(spread[2]).reference()),
                              "late");
    EXPECT_FALSE(rig.engine->originalIsDue(rig.entry("edge")));
    EXPECT_TRUE(rig.engine->originalIsDue(rig.entry("late")));
    auto undated = rig.entry("edge");
    undated.asset.createdAt.reset();
    EXPECT_TRUE(rig.engine->originalIsDue(undated));
}

} // namespace
} // namespace keepsift
