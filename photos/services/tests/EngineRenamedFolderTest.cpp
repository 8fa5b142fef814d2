#include <algorithm>
#include <map>

#include "photos/services/tests/EngineOverFolder.hpp"

namespace keepsift {
namespace {

const std::vector<std::string> frames = {"burst-1.jpg", "burst-2.jpg", "burst-3.jpg"};
const std::string tripFolder = "Trip01";
const std::string renamedFolder = "Trip01 (2024)";

// Review states by file name.
using States = std::map<std::string, std::string>;

// A trip folder on the real library: a burst of three near-identical shots two seconds apart
// and two unrelated pictures taken months away.
class RenamedFolder : public testing::EngineOverFolder {
protected:
    void SetUp() override {
        LiveHome::SetUp();
        for (int frame = 0; frame < 3; ++frame)
            writeJpeg(tripFolder + "/" + frames[static_cast<size_t>(frame)], burstFrame(frame),
                      "2024:05:01 10:00:0" + std::to_string(2 * frame));
        writeJpeg(tripFolder + "/beach.jpg", scene(11), "2024:03:10 08:00:00");
        writeJpeg(tripFolder + "/roses.jpg", scene(23), "2024:07:22 18:30:00");
        startServices();
        startEngine();
    }

    void renameFolder() {
        std::filesystem::rename(pictures / tripFolder, pictures / renamedFolder);
    }

    // What a scan of the folder as it is now, not renamed, makes of each photograph, by file
    // name; its album is left alone.
    States untouchedScan() {
        ScanEngine fresh(services.library, services.extractor,
                         std::make_shared<MemoryFileStorage>(), std::make_shared<SystemClock>(),
                         GroupingPolicy::standard, ScoringPolicy::standard, false);
        fresh.ensureAuthorization(true);
        fresh.reconcileWithLibrary();
        WorkConditions conditions;
        conditions.power = WorkConditions::Power::mains;
        while (fresh.analyseNext(conditions)) {
        }
        fresh.regroup();
        return statesOf(fresh.index());
    }

    static States statesOf(const LibraryIndex& index) {
        States states;
        for (const auto& [id, entry] : index.entries)
            if (entry.state != ReviewState::deleted)
                states[entry.asset.filename] = toString(entry.state);
        return states;
    }

    // Lists the library and measures two of its photographs, deciding none.
    void measureTheFirstTwo() {
        engine->reconcileWithLibrary();
        WorkConditions conditions;
        conditions.power = WorkConditions::Power::mains;
        ASSERT_TRUE(engine->analyseNext(conditions));
        ASSERT_TRUE(engine->analyseNext(conditions));
    }

    std::string frameIn(ReviewState state) const {
        for (const auto& id : frames)
            if (engine->index().entries.at(tripFolder + "/" + id).state == state) return id;
        return {};
    }

    // The burst's last flagged frame, once its keeper and its other flagged frame are
    // removed by hand; its folder renamed meanwhile or not.
    void lastFlaggedFrameIsLeft(bool renaming) {
        relist();
        const auto keeper = frameIn(ReviewState::keeper);
        const auto gone = frameIn(ReviewState::flagged);
        ASSERT_FALSE(keeper.empty() || gone.empty());
        std::filesystem::remove(pictures / tripFolder / keeper);
        std::filesystem::remove(pictures / tripFolder / gone);
        std::string left;
        for (const auto& id : frames)
            if (id != keeper && id != gone) left = id;
        if (renaming) renameFolder();
        relist();
        const auto folder = renaming ? renamedFolder : tripFolder;
        EXPECT_EQ(engine->index().entries.at(folder + "/" + left).state, ReviewState::keeper);
        EXPECT_TRUE(linked().empty());
        EXPECT_EQ(danglingLinks(), 0);
        // The write that cleared the link to its old place changed nothing of it where it is
        // now: a later change of it there is not taken for the engine's own.
        EXPECT_TRUE(!renaming || !engine->ownWrites().contains(folder + "/" + left));
        EXPECT_TRUE(engine->snapshot().review.groups.empty());
    }
};

// The application regroups only now and then while it measures, so a rename can come between
// a photograph's measurement and its decision.
TEST_F(RenamedFolder, RenamedWhilePartlyMeasuredEndsAsTheFolderNotRenamed) {
    const auto expected = untouchedScan();
    ASSERT_NO_FATAL_FAILURE(measureTheFirstTwo());
    renameFolder();
    relist();
    EXPECT_EQ(statesOf(engine->index()), expected);
    EXPECT_EQ(linked(), flagged());
    EXPECT_EQ(danglingLinks(), 0);
    ASSERT_EQ(linked().size(), 2u);

    startEngine();
    relist();
    EXPECT_EQ(statesOf(engine->index()), expected);
    EXPECT_TRUE(idsIn(ReviewState::pending).empty());
    EXPECT_EQ(linked(), flagged());
}

TEST_F(RenamedFolder, TheLastFlaggedFrameOfABurstBecomesItsKeeper) {
    lastFlaggedFrameIsLeft(false);
}

TEST_F(RenamedFolder, TheLastFlaggedFrameOfABurstBecomesItsKeeperAfterARename) {
    lastFlaggedFrameIsLeft(true);
}

// The group is named after its earliest frame, which moves with the folder.
TEST_F(RenamedFolder, AGroupKeptWholeStaysOutOfTheReviewWhenItsFolderIsRenamed) {
    relist();
    const auto group = engine->index().entries.at(tripFolder + "/" + frames[0]).groupID;
    ASSERT_TRUE(group);
    ASSERT_EQ(engine->snapshot().review.groups.size(), 1u);
    engine->ignore(*group);
    ASSERT_TRUE(engine->snapshot().review.groups.empty());
    renameFolder();
    relist();
    for (int restart = 0; restart < 2; ++restart) {
        EXPECT_TRUE(engine->snapshot().review.groups.empty()) << restart;
        EXPECT_EQ(engine->reviewableGroups(), 0);
        for (const auto& id : frames)
            EXPECT_EQ(engine->index().entries.at(renamedFolder + "/" + id).state,
                      ReviewState::keptByHand);
        EXPECT_TRUE(linked().empty());
        startEngine();
        relist();
    }
}

// An earlier build moved a measured photograph's entry to its new place with the old place
// still named in its measurement: the photographs measured then are decided at the next start.
TEST_F(RenamedFolder, AnIndexLeftByAnEarlierBuildAfterARenameGetsDecided) {
    const auto expected = untouchedScan();
    ASSERT_NO_FATAL_FAILURE(measureTheFirstTwo());
    engine->updateIndex([](LibraryIndex& index) {
        std::map<std::string, IndexEntry> moved;
        for (auto& [id, entry] : index.entries) {
            entry.asset.id = renamedFolder + id.substr(tripFolder.size());
            moved.emplace(entry.asset.id, std::move(entry));
        }
        index.entries = std::move(moved);
    });
    ASSERT_TRUE(engine->save());
    renameFolder();
    startEngine();
    relist();
    EXPECT_EQ(statesOf(engine->index()), expected);
    EXPECT_TRUE(idsIn(ReviewState::pending).empty());
    EXPECT_EQ(linked(), flagged());
}

} // namespace
} // namespace keepsift
