#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

#include "core/engine/tests/EngineRig.hpp"

namespace keepsift {
namespace {

using testing::EngineRig;
using testing::Shot;

// A library that moves a batch to the Trash one photograph at a time and runs a hook after
// the first, as a reconciliation or a kill may come in the middle of a real batch.
class SteppedLibrary : public ScriptedLibrary {
public:
    using ScriptedLibrary::ScriptedLibrary;

    DeletionReport deleteAssets(const std::vector<std::string>& ids,
                                const ReviewedContents& reviewed) override {
        for (size_t i = 0; i < ids.size(); ++i) {
            remove({ids[i]});
            if (i == 0 && afterFirst) afterFirst();
        }
        return ScriptedLibrary::deleteAssets(ids, reviewed);
    }
    std::vector<LibraryAsset> fetchAssets() override {
        auto listing = ScriptedLibrary::fetchAssets();
        if (whileFetching) std::exchange(whileFetching, nullptr)();
        return listing;
    }

    std::function<void()> afterFirst;
    std::function<void()> whileFetching;
};

// Two moments of three shots and a solitary one: two flagged in each moment.
const std::vector<Shot> twoMoments = {
    {"a1", 0, 0, 0.9f},    {"a2", 5, 0, 0.3f},    {"a3", 10, 0, 0.2f},  {"b1", 5000, 1, 0.9f},
    {"b2", 5005, 1, 0.3f}, {"b3", 5010, 1, 0.2f}, {"s1", 9000, 2, 0.5f}};
const std::vector<std::string> flagged = {"a2", "a3", "b2", "b3"};

class EngineBatchOrder : public ::testing::Test {
protected:
    void SetUp() override {
        rig.scanAll();
        rig.engine->syncRejectsAlbumIfNeeded();
        for (const auto& id : flagged)
            ASSERT_TRUE(isFlagged(rig.state(id))) << id;
        groups = {*rig.entry("a1").groupID, *rig.entry("b1").groupID};
    }
    // Another thread's work, finished before the batch goes on.
    static void meanwhile(const std::function<void()>& work) { std::thread(work).join(); }

    // The batch is recorded as deleted by Keepsift, in one batch, and nothing else of the
    // groups is decided again.
    void expectBatchDeletedByKeepsift(const ScanEngine& engine) {
        const auto index = engine.index();
        for (const auto& id : flagged)
            EXPECT_EQ(index.entries.at(id).state, ReviewState::deleted) << id;
        for (const auto& id : {"a1", "b1", "s1"})
            EXPECT_EQ(index.entries.at(id).state, ReviewState::keeper) << id;
        for (const auto& group : groups)
            EXPECT_TRUE(index.ignoredGroups.count(group)) << group;
        std::vector<std::string> deleted;
        std::set<std::optional<std::int64_t>> batches;
        for (const auto& event : engine.journal().entries()) {
            EXPECT_NE(event.event, ReviewJournal::Event::deletedElsewhere) << event.assetID;
            if (event.event != ReviewJournal::Event::deleted) continue;
            deleted.push_back(event.assetID);
            batches.insert(event.batch);
        }
        std::sort(deleted.begin(), deleted.end());
        EXPECT_EQ(deleted, flagged);
        EXPECT_EQ(batches.size(), 1u);
    }

    // A kill after the first photograph reached the Trash: what was saved by then is what the
    // next launch finds.
    std::map<std::string, Data> batchCutShortByAKill() {
        struct Killed {};
        std::map<std::string, Data> leftOnDisk;
        rig.library->afterFirst = [&] {
            for (const auto& name : rig.storage->storedNames())
                leftOnDisk[name] = *rig.storage->read(name);
            throw Killed{};
        };
        EXPECT_THROW(rig.engine->deleteBatch(std::nullopt, 4), Killed);
        rig.library->afterFirst = nullptr;
        return leftOnDisk;
    }

    void launchFrom(const std::map<std::string, Data>& leftOnDisk) {
        rig.storage = std::make_shared<MemoryFileStorage>(leftOnDisk);
        rig.start();
        rig.engine->refreshAuthorization();
        rig.engine->reconcileWithLibrary();
        rig.engine->regroup();
    }

    EngineRig<SteppedLibrary> rig{twoMoments};
    std::set<std::string> groups;
};

TEST_F(EngineBatchOrder, AReconciliationInTheMiddleOfABatchTakesNothingForDeletedElsewhere) {
    rig.library->afterFirst = [&] {
        meanwhile([&] {
            rig.engine->reconcileWithLibrary();
            rig.engine->regroup();
        });
    };
    EXPECT_EQ(rig.engine->deleteBatch(std::nullopt, 4).deletedCount(), 4);
    rig.engine->reconcileWithLibrary();
    rig.engine->regroup();
    expectBatchDeletedByKeepsift(*rig.engine);
}

TEST_F(EngineBatchOrder, ABatchInTheMiddleOfAReconciliationIsNotUndone) {
    rig.library->whileFetching = [&] {
        meanwhile([&] { EXPECT_EQ(rig.engine->deleteBatch(std::nullopt, 4).deletedCount(), 4); });
    };
    rig.engine->reconcileWithLibrary();
    rig.engine->regroup();
    expectBatchDeletedByKeepsift(*rig.engine);
}

// With the library as the kill left it.
TEST_F(EngineBatchOrder, ABatchCutShortByAKillIsStillDeletedByKeepsift) {
    launchFrom(batchCutShortByAKill());
    const auto journal = rig.engine->journal().entries();
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ(journal.back().event, ReviewJournal::Event::deleted);
    EXPECT_EQ(journal.back().assetID, "a2");
    EXPECT_EQ(rig.state("a2"), ReviewState::deleted);
    for (const auto& id : {"a3", "b2", "b3"})
        EXPECT_TRUE(isFlagged(rig.state(id))) << id;
    EXPECT_EQ(rig.state("a1"), ReviewState::keeper);

    // The intent is spent once recorded: a later deletion elsewhere is one.
    rig.clock->advance(ScanEngine::defaultSaveInterval);
    rig.engine->flush();
    rig.start();
    rig.library->remove({"s1"});
    rig.engine->reconcileWithLibrary();
    EXPECT_EQ(rig.engine->journal().entries().back().event, ReviewJournal::Event::deletedElsewhere);
}

// Every shot holds bytes of its own, so that one moved is known for the same photograph.
class BatchAndMove : public EngineBatchOrder {
protected:
    BatchAndMove() {
        for (const auto& shot : twoMoments)
            rig.library->setContent(shot.id, "bytes of " + shot.id);
    }

    // Renamed or moved by the user: the same bytes elsewhere, out of the album.
    void move(const std::string& id, const std::string& to) {
        const auto assets = rig.library->assets();
        LibraryAsset moved = *std::find_if(assets.begin(), assets.end(),
                                           [&](const LibraryAsset& a) { return a.id == id; });
        moved.id = to;
        moved.isRejected = false;
        rig.library->setContent(to, "bytes of " + id);
        rig.library->remove({id});
        rig.library->add({moved});
    }
};

// A batch cut short by a kill, and one of its photographs that had not reached the Trash
// moved before the next launch: only the one trashed is deleted by Keepsift, the moved one
// keeps its flag where it is now.
TEST_F(BatchAndMove, APhotographOfABatchCutShortThatMovedKeepsItsReview) {
    const auto leftOnDisk = batchCutShortByAKill();
    move("a3", "Moved/a3");
    launchFrom(leftOnDisk);
    EXPECT_EQ(rig.state("a2"), ReviewState::deleted);
    EXPECT_EQ(rig.state("Moved/a3"), ReviewState::flagged);
    EXPECT_FALSE(rig.engine->index().entries.contains("a3"));
    for (const auto& event : rig.engine->journal().entries())
        EXPECT_TRUE(event.event != ReviewJournal::Event::deleted || event.assetID == "a2")
            << event.assetID;
}

TEST(TrashIntent, ReadsBackWhatItWroteAndNothingFromADamagedFile) {
    TrashIntent intent{{"a", "b\u00e9"}, 7, true};
    const auto read = TrashIntent::decode(intent.encoded());
    ASSERT_TRUE(read);
    EXPECT_EQ(read->ids, intent.ids);
    EXPECT_FALSE(read->inFlight);
    EXPECT_FALSE(TrashIntent::decode("{\"ids\": [1]"));
    EXPECT_FALSE(TrashIntent::decode("{\"ids\": [1]}"));
    EXPECT_FALSE(TrashIntent::decode(""));
}

} // namespace
} // namespace keepsift
