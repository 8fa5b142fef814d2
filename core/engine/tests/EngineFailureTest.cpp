#include <algorithm>

#include <gtest/gtest.h>

#include "core/engine/tests/EngineRig.hpp"
#include "core/support/Logger.hpp"

namespace keepsift {
namespace {

using testing::EngineRig;
using testing::ScannedEngine;
using testing::Shot;

using testing::momentAndSolitary;

template <class Action> LibraryError libraryErrorOf(Action&& action) {
    try {
        action();
    } catch (const LibraryError& error) {
        return error;
    }
    ADD_FAILURE() << "no library error";
    return LibraryError::notAuthorised();
}

// A storage that refuses every write while it is told to.
class BrokenStorage : public MemoryFileStorage {
public:
    void write(const Data& data, const std::string& name) override {
        if (broken) throw std::runtime_error("disk full");
        MemoryFileStorage::write(data, name);
    }
    bool broken = false;
};

TEST_F(ScannedEngine, AlbumErrorsReachTheCallerUnchanged) {
    rig.library->setRejectionWritesFail(true);
    EXPECT_EQ(libraryErrorOf([&] { rig.engine->override("a1", false); }),
              LibraryError::albumWriteIncomplete(1));
    // The decision stays, saved before the album was asked.
    EXPECT_EQ(rig.state("a1"), ReviewState::flaggedByHand);
    EXPECT_EQ(rig.savedIndex().entry("a1")->state, ReviewState::flaggedByHand);
    EXPECT_FALSE(rig.engine->ownWrites().count("a1"));

    const auto group = *rig.entry("a1").groupID;
    EXPECT_EQ(libraryErrorOf([&] { rig.engine->ignore(group); }),
              LibraryError::albumWriteIncomplete(3));

    rig.library->setRejectionWritesFail(false);
    // The next synchronisation takes the ignored group's photographs out.
    rig.engine->syncRejectsAlbum();
    EXPECT_TRUE(rig.library->rejectedIDs().empty());
    EXPECT_EQ(rig.state("a2"), ReviewState::keptByHand);
}

// A library whose removals from the album fail.
class RemovalsFail : public ScriptedLibrary {
public:
    using ScriptedLibrary::ScriptedLibrary;
    std::vector<std::string> setRejected(const std::vector<std::string>& ids,
                                         bool rejected) override {
        if (!rejected) throw LibraryError::albumWriteIncomplete(std::ssize(ids));
        return ScriptedLibrary::setRejected(ids, rejected);
    }
};

TEST(EngineAlbum, FailedRemovalKeepsTheAdditionsForTheNextSave) {
    EngineRig<RemovalsFail> rig(momentAndSolitary);
    rig.scanAll();
    rig.engine->syncRejectsAlbumIfNeeded();
    rig.clock->advance(60);
    rig.engine->updateIndex([](LibraryIndex& index) {
        index.setState(ReviewState::flaggedByHand, "a1", Date{});
        index.setState(ReviewState::keptByHand, "a3", Date{});
    });
    rig.engine->regroup();
    rig.engine->flush();
    const auto generation = rig.engine->mutationGeneration();
    EXPECT_EQ(libraryErrorOf([&] { rig.engine->syncRejectsAlbum(); }),
              LibraryError::albumWriteIncomplete(1));
    EXPECT_TRUE(rig.entry("a1").asset.isRejected);
    EXPECT_TRUE(rig.entry("a3").asset.isRejected);
    EXPECT_TRUE(rig.engine->ownWrites().count("a1"));
    EXPECT_FALSE(rig.engine->ownWrites().count("a3"));
    EXPECT_EQ(rig.engine->mutationGeneration(), generation + 1);
    EXPECT_FALSE(rig.savedIndex().entry("a1")->asset.isRejected);
    EXPECT_TRUE(rig.engine->pendingSave());
}

TEST_F(ScannedEngine, DeleteErrorsAndRefusalsChangeNothing) {
    const auto index = rig.engine->index();
    const auto journal = rig.engine->journal();
    rig.library->setAuthorization(LibraryAuthorization::denied);
    EXPECT_EQ(libraryErrorOf([&] { rig.engine->deleteBatch(std::nullopt, 2); }),
              LibraryError::notAuthorised());
    rig.library->setAuthorization(LibraryAuthorization::authorized);
    rig.library->setConfirmsDeletion(false);
    EXPECT_EQ(rig.engine->deleteBatch(std::nullopt, 2).deletedCount(), 0);
    EXPECT_EQ(rig.engine->index(), index);
    EXPECT_EQ(rig.engine->journal(), journal);
    EXPECT_EQ(rig.engine->deleteBatch(std::set<std::string>{}, 0), DeletionReport{});
    try {
        rig.engine->deleteBatch(std::set<std::string>{}, 2);
        FAIL();
    } catch (const BatchMoved& moved) {
        EXPECT_EQ(moved, BatchMoved(2, 0));
    }
}

TEST_F(ScannedEngine, OverrideOfADeletedPhotographIsIgnored) {
    rig.engine->handleLibraryChange(change::AssetsDeleted{{"a2"}});
    const auto journal = rig.engine->journal();
    const auto calls = rig.library->rejectionCalls().size();
    rig.engine->override("a2", false);
    EXPECT_EQ(rig.state("a2"), ReviewState::deleted);
    EXPECT_EQ(rig.engine->journal(), journal);
    EXPECT_EQ(rig.library->rejectionCalls().size(), calls);
    rig.engine->override("unknown", false);
    EXPECT_EQ(rig.engine->journal(), journal);
}

TEST(EngineSaving, ThrottleWritesAtOnceThenWaitsThirtySeconds) {
    EngineRig<> rig(momentAndSolitary);
    rig.engine->markDirty();
    EXPECT_FALSE(rig.engine->pendingSave());
    EXPECT_EQ(rig.storage->storedNames().size(), 2u);
    rig.storage->remove(std::string(ScanEngine::indexFileName));
    rig.clock->advance(10);
    rig.engine->markDirty();
    EXPECT_TRUE(rig.engine->pendingSave());
    EXPECT_EQ(rig.storage->storedNames().size(), 1u);
    rig.engine->flush();
    EXPECT_FALSE(rig.engine->pendingSave());
    EXPECT_EQ(rig.storage->storedNames().size(), 2u);
    rig.clock->advance(30);
    rig.storage->remove(std::string(ScanEngine::indexFileName));
    rig.engine->flush();
    EXPECT_EQ(rig.storage->storedNames().size(), 1u);
    rig.engine->markDirty();
    EXPECT_EQ(rig.storage->storedNames().size(), 2u);
}

// A run that dies after a few measurements (a crash loop, a kill) keeps them: the first
// measurements of a run are saved at once, later ones on the usual cadence.
TEST(EngineSaving, FirstMeasurementsOfARunAreSavedAtOnce) {
    const std::vector<Shot> many = {{"m1", 0, 0},   {"m2", 100, 1}, {"m3", 200, 2},
                                    {"m4", 300, 3}, {"m5", 400, 4}, {"m6", 500, 5}};
    EngineRig<> rig(many);
    rig.engine->refreshAuthorization();
    rig.engine->refreshStorageMode();
    rig.engine->reconcileWithLibrary();
    auto measuredInSavedIndex = [&] {
        const auto saved = rig.savedIndex();
        return std::count_if(saved.entries.begin(), saved.entries.end(),
                             [](const auto& entry) { return entry.second.signals.has_value(); });
    };
    for (long measured = 1; measured <= 3; ++measured) {
        ASSERT_TRUE(rig.engine->analyseNext(testing::runnable()));
        EXPECT_EQ(measuredInSavedIndex(), measured);
    }
    rig.analyseAll();
    EXPECT_LT(measuredInSavedIndex(), 6);
    rig.clock->advance(ScanEngine::defaultSaveInterval);
    rig.engine->flush();
    EXPECT_EQ(measuredInSavedIndex(), 6);
}

TEST(EngineSaving, FailedIndexWriteStaysPendingAndIsRetried) {
    EngineRig<> rig(momentAndSolitary);
    rig.engine->reconcileWithLibrary();
    rig.storage->setFailNextWrite(std::make_exception_ptr(std::runtime_error("disk full")));
    rig.clock->advance(60);
    std::vector<std::string> logged;
    Logger::setSinkForTesting([&](const LogRecord& record) { logged.push_back(record.message); });
    EXPECT_FALSE(rig.engine->save());
    Logger::setSinkForTesting(nullptr);
    EXPECT_EQ(logged, std::vector<std::string>{"save failed: disk full"});
    EXPECT_TRUE(rig.engine->pendingSave());
    EXPECT_EQ(rig.engine->lastSaved(), rig.clock->now());
    EXPECT_EQ(rig.savedJournal(), rig.engine->journal());
    rig.engine->flush();
    EXPECT_FALSE(rig.engine->pendingSave());
    EXPECT_EQ(rig.savedIndex(), rig.engine->index());
}

// Every write fails for a while: the engine goes on working, reports nothing, and the
// next flush after the storage recovers writes everything it did meanwhile.
TEST(EngineSaving, FailingStorageLosesNoState) {
    EngineRig<> rig(momentAndSolitary);
    auto storage = std::make_shared<BrokenStorage>();
    rig.storage = storage;
    rig.start();
    storage->broken = true;
    EXPECT_NO_THROW(rig.scanAll());
    rig.engine->syncRejectsAlbumIfNeeded();
    rig.engine->override("a1", false);
    rig.engine->flush();
    EXPECT_TRUE(rig.engine->pendingSave());
    EXPECT_TRUE(storage->storedNames().empty());

    const auto index = rig.engine->index();
    const auto journal = rig.engine->journal();
    storage->broken = false;
    rig.engine->flush();
    EXPECT_FALSE(rig.engine->pendingSave());
    rig.start();
    EXPECT_EQ(rig.engine->index(), index);
    EXPECT_EQ(rig.engine->journal(), journal);
}

TEST(EngineSaving, UnreadableFilesGiveFreshDefaults) {
    EngineRig<> rig(momentAndSolitary);
    rig.storage->write("not json", std::string(ScanEngine::journalFileName));
    LibraryIndex old{"another version", {}, {"kept-group"}, {}};
    old.reconcile(testing::assetsOf(momentAndSolitary), Date{});
    rig.storage->write(old.encoded(), std::string(ScanEngine::indexFileName));
    rig.start();
    EXPECT_EQ(rig.engine->index().version, LibraryIndex::currentSignature());
    EXPECT_EQ(rig.engine->index().count(), 0u);
    EXPECT_EQ(rig.engine->index().ignoredGroups, std::set<std::string>{"kept-group"});
    EXPECT_EQ(rig.engine->journal(), ReviewJournal(2000));
    EXPECT_EQ(rig.engine->queue().capacity, 200);
}

TEST(EngineSaving, NeedsRefreshWithoutAccessIsSilentAndMarksDirty) {
    EngineRig<> rig(momentAndSolitary);
    rig.engine->markDirty();
    rig.clock->advance(1);
    rig.library->setAuthorization(LibraryAuthorization::notDetermined);
    rig.engine->updateIndex([](LibraryIndex&) {});
    EXPECT_NO_THROW(rig.engine->handleLibraryChange(change::NeedsRefresh{}));
    EXPECT_TRUE(rig.engine->pendingSave());
    EXPECT_EQ(rig.engine->authorization(), LibraryAuthorization::notDetermined);
}

} // namespace
} // namespace keepsift
