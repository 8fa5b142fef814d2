#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <utility>

#include "core/engine/tests/EngineRig.hpp"

namespace keepsift {
namespace {

using testing::EngineRig;
using testing::momentAndSolitary;

// A library whose album cannot be written while it says so, as on a read-only folder or a
// card that takes no symbolic links; a hook runs as each album write begins.
class UnwritableAlbum : public ScriptedLibrary {
public:
    using ScriptedLibrary::ScriptedLibrary;
    std::vector<std::string> setRejected(const std::vector<std::string>& ids,
                                         bool rejected) override {
        if (beforeWrite) beforeWrite();
        if (readOnly)
            throw std::runtime_error("the album write is incomplete: Read-only file system");
        return ScriptedLibrary::setRejected(ids, rejected);
    }
    bool readOnly = false;
    std::function<void()> beforeWrite;
};

// The rig's library scanned with its album in step (a2 and a3 flagged), then a moment later
// the album turns read-only: the save throttle would hold a marked change for 30 seconds.
struct ReadOnlyAlbum : ::testing::Test {
    EngineRig<UnwritableAlbum> rig{momentAndSolitary};
    std::string group;

    void SetUp() override {
        rig.scanAll();
        rig.engine->syncRejectsAlbumIfNeeded();
        group = *rig.entry("a1").groupID;
        rig.clock->advance(1);
        rig.library->readOnly = true;
    }
    // What a new start reads, as after the process was killed.
    ReviewState afterKill(const std::string& id) {
        rig.start();
        return rig.state(id);
    }
};

TEST_F(ReadOnlyAlbum, AnOverrideIsOnDiskAtOnceAndTheAlbumErrorStillReachesTheCaller) {
    EXPECT_THROW(rig.engine->override("a1", false), std::runtime_error);
    EXPECT_EQ(rig.savedIndex().entry("a1")->state, ReviewState::flaggedByHand);
    EXPECT_EQ(rig.savedJournal().entries().back().event, ReviewJournal::Event::overriddenToFlag);
    EXPECT_FALSE(rig.engine->pendingSave());
    EXPECT_EQ(afterKill("a1"), ReviewState::flaggedByHand);
}

TEST_F(ReadOnlyAlbum, AnIgnoreIsOnDiskAtOnce) {
    EXPECT_THROW(rig.engine->ignore(group), std::runtime_error);
    EXPECT_EQ(rig.savedIndex().entry("a2")->state, ReviewState::keptByHand);
    EXPECT_TRUE(rig.savedIndex().ignoredGroups.count(group));
    EXPECT_FALSE(rig.engine->pendingSave());
    EXPECT_EQ(afterKill("a3"), ReviewState::keptByHand);
}

TEST_F(ReadOnlyAlbum, AResetIsOnDiskAtOnce) {
    rig.library->readOnly = false;
    rig.engine->override("a2", true);
    rig.library->readOnly = true;
    rig.clock->advance(1);
    // The engine decides a2 again and flags it; the album cannot take it back.
    EXPECT_THROW(rig.engine->reset(group), std::runtime_error);
    EXPECT_EQ(rig.savedIndex().entry("a2")->state, ReviewState::flagged);
    EXPECT_FALSE(rig.engine->pendingSave());
    EXPECT_EQ(afterKill("a2"), ReviewState::flagged);
}

// A write that hangs (a stalled network share) holds the album back, never the decision.
TEST_F(ReadOnlyAlbum, TheDecisionIsWrittenBeforeTheAlbumIsTouched) {
    rig.library->readOnly = false;
    std::optional<ReviewState> onDisk;
    rig.library->beforeWrite = [&] { onDisk = rig.savedIndex().entry("a2")->state; };
    rig.engine->override("a2", true);
    EXPECT_EQ(onDisk, ReviewState::keptByHand);
}

TEST_F(ReadOnlyAlbum, TheAlbumCatchesUpAtTheFirstSyncOnceItCanBeWritten) {
    EXPECT_THROW(rig.engine->override("a1", false), std::runtime_error);
    EXPECT_THROW(rig.engine->override("a2", true), std::runtime_error);
    EXPECT_TRUE(rig.engine->albumNeedsSync());
    EXPECT_THROW(rig.engine->syncRejectsAlbumIfNeeded(), std::runtime_error);
    EXPECT_TRUE(rig.engine->albumNeedsSync());

    rig.library->readOnly = false;
    rig.engine->syncRejectsAlbumIfNeeded();
    EXPECT_EQ(rig.library->rejectedIDs(), (std::set<std::string>{"a1", "a3"}));
    EXPECT_FALSE(rig.engine->albumNeedsSync());
    EXPECT_TRUE(rig.savedIndex().entry("a1")->asset.isRejected);
    EXPECT_FALSE(rig.savedIndex().entry("a2")->asset.isRejected);
}

TEST_F(ReadOnlyAlbum, AnIgnoredGroupLeavesTheAlbumOnceItCanBeWritten) {
    EXPECT_THROW(rig.engine->ignore(group), std::runtime_error);
    EXPECT_TRUE(rig.engine->albumNeedsSync());
    rig.library->readOnly = false;
    rig.engine->syncRejectsAlbumIfNeeded();
    EXPECT_TRUE(rig.library->rejectedIDs().empty());
    EXPECT_FALSE(rig.engine->albumNeedsSync());
}

} // namespace
} // namespace keepsift
