#include <algorithm>
#include <gtest/gtest.h>

#include "core/engine/tests/EngineRig.hpp"

namespace keepsift {
namespace {

using testing::EngineRig;
using testing::Shot;

// A burst of four: the two sharp shots are kept, the two blurred ones flagged. Scores are
// relative to the group, so once the blurred ones are gone the second shot falls behind.
const std::vector<Shot> burst = {
    {"b1", 0, 0, 0.9f}, {"b2", 4, 0, 0.85f}, {"b3", 8, 0, 0.2f}, {"b4", 12, 0, 0.1f}};

// Rated as sharp as it is: the sharper shot is also the better one.
std::shared_ptr<FixtureSignalSource> ratedSource(const std::vector<Shot>& shots) {
    auto recordings = testing::recordingsOf(shots);
    for (auto& signals : recordings)
        signals.aestheticsScore = signals.sharpness;
    return std::make_shared<FixtureSignalSource>(recordings, FixtureSignalSource::Miss::refuse);
}

// A rig on some shots of the burst whose engine can measure every shot of it, rated.
EngineRig<> ratedRig(const std::vector<Shot>& shots) {
    EngineRig<> rig(shots);
    rig.source = ratedSource(burst);
    rig.start();
    return rig;
}

std::int64_t flaggedEvents(const ReviewJournal& journal) {
    const auto& entries = journal.entries();
    return std::count_if(entries.begin(), entries.end(), [](const auto& entry) {
        return entry.event == ReviewJournal::Event::flagged;
    });
}

// The burst scanned, its album in step and its two flagged shots deleted.
struct DeletedFromBurst : ::testing::Test {
    EngineRig<> rig = ratedRig(burst);
    std::string group;
    std::map<std::string, ReviewState> remaining;
    std::int64_t flaggedBefore = 0;
    size_t albumWrites = 0;

    void SetUp() override {
        rig.scanAll();
        rig.engine->syncRejectsAlbumIfNeeded();
        ASSERT_EQ(rig.state("b3"), ReviewState::flagged);
        ASSERT_EQ(rig.state("b4"), ReviewState::flagged);
        ASSERT_NE(rig.state("b1"), ReviewState::flagged);
        ASSERT_NE(rig.state("b2"), ReviewState::flagged);
        group = *rig.entry("b1").groupID;
        rig.clock->advance(60);
        ASSERT_EQ(rig.engine->deleteBatch(std::set<std::string>{group}, 2).deletedCount(), 2);
        remaining = {{"b1", rig.state("b1")}, {"b2", rig.state("b2")}};
        flaggedBefore = flaggedEvents(rig.engine->journal());
        albumWrites = rig.library->rejectionCalls().size();
    }

    // Regroups as the shell does after a run, then brings the album in step.
    void regroupAndSync() {
        rig.clock->advance(60);
        rig.engine->regroup();
        rig.engine->syncRejectsAlbumIfNeeded();
    }

    void expectLeftAlone() {
        for (const auto& [id, state] : remaining) {
            EXPECT_EQ(rig.state(id), state) << id;
            EXPECT_EQ(rig.entry(id).groupID, group) << id;
            EXPECT_FALSE(rig.entry(id).asset.isRejected) << id;
        }
        EXPECT_EQ(flaggedEvents(rig.engine->journal()), flaggedBefore);
        EXPECT_EQ(rig.library->rejectionCalls().size(), albumWrites);
        EXPECT_TRUE(rig.library->rejectedIDs().empty());
        EXPECT_TRUE(rig.engine->index().ignoredGroups.count(group));
        EXPECT_EQ(rig.engine->reviewableGroups(), 0);
    }
};

TEST_F(DeletedFromBurst, RestOfTheGroupIsNotDecidedAgain) {
    regroupAndSync();
    expectLeftAlone();
    EXPECT_FALSE(rig.engine->albumNeedsSync());
    EXPECT_TRUE(rig.engine->snapshot().review.isEmpty());
}

TEST_F(DeletedFromBurst, GroupStaysUndecidedOverRegroupsAndARestart) {
    regroupAndSync();
    regroupAndSync();
    rig.engine->flush();
    rig.start();
    EXPECT_TRUE(rig.engine->reconcileWithLibrary().isEmpty());
    regroupAndSync();
    expectLeftAlone();
    rig.engine->save();
    EXPECT_EQ(rig.savedIndex(), rig.engine->index());
}

TEST_F(DeletedFromBurst, HandDecisionInTheGroupSurvives) {
    rig.engine->override("b2", false);
    rig.engine->override("b1", true);
    regroupAndSync();
    rig.engine->flush();
    rig.start();
    regroupAndSync();
    EXPECT_EQ(rig.state("b2"), ReviewState::flaggedByHand);
    EXPECT_EQ(rig.state("b1"), ReviewState::keptByHand);
    EXPECT_TRUE(rig.entry("b2").asset.isRejected);
    EXPECT_EQ(rig.library->rejectedIDs(), std::set<std::string>{"b2"});
    EXPECT_EQ(flaggedEvents(rig.engine->journal()), flaggedBefore);
}

// A photograph that joins an ignored group later is decided as any other; flagged, it
// brings the group back up for review rather than waiting out of sight, and the shots the
// user kept stay kept.
TEST(IgnoredGroup, LaterArrivalIsDecidedAndAFlagShowsItsGroupAgain) {
    EngineRig<> rig = ratedRig({burst[0], burst[1]});
    rig.scanAll();
    const auto group = *rig.entry("b1").groupID;
    rig.engine->ignore(group);
    const auto flaggedBefore = flaggedEvents(rig.engine->journal());
    rig.library->add({testing::assetOf(burst[3])});
    rig.scanAll();
    rig.engine->syncRejectsAlbumIfNeeded();
    EXPECT_EQ(rig.state("b4"), ReviewState::flagged);
    EXPECT_EQ(rig.entry("b4").groupID, group);
    EXPECT_EQ(rig.state("b1"), ReviewState::keptByHand);
    EXPECT_EQ(rig.state("b2"), ReviewState::keptByHand);
    EXPECT_EQ(rig.library->rejectedIDs(), std::set<std::string>{"b4"});
    EXPECT_EQ(flaggedEvents(rig.engine->journal()), flaggedBefore + 1);
    EXPECT_EQ(rig.engine->index().ignoredGroups.count(group), 0u);
    EXPECT_EQ(rig.engine->reviewableGroups(), 1);
    rig.scanAll();
    EXPECT_EQ(rig.state("b1"), ReviewState::keptByHand);
    EXPECT_EQ(rig.state("b4"), ReviewState::flagged);
}

} // namespace
} // namespace keepsift
