#include <gtest/gtest.h>

#include "Keepsift/review/ReviewWindowState.hpp"
#include "ReviewFixtures.hpp"

namespace keepsift::app {
namespace {

using namespace keepsift::app::testing;
using Kind = ReviewKey::Kind;

TEST(ReviewWindowState, QueriesCountOnlyGroupsWithSomethingToDiscard) {
    ReviewWindowState state;
    const auto list = threeGroups();
    EXPECT_EQ(ReviewWindowState::visibleGroups(list).size(), 2u);
    EXPECT_TRUE(ReviewWindowState::anyVisible(list));
    EXPECT_EQ(ReviewWindowState::allDiscards(list).size(), 3u);
    EXPECT_EQ(ReviewWindowState::allDiscardCount(list), 3u);
    state.selected = {"g2", "g3", "gone"};
    EXPECT_EQ(state.selectedGroupIDs(list), (std::set<std::string>{"g3"}));
    ASSERT_EQ(state.selectedDiscards(list).size(), 1u);
    EXPECT_EQ(state.selectedDiscards(list)[0].assetID, "g");
    EXPECT_EQ(state.selectedDiscardCount(list), 1u);
    EXPECT_FALSE(ReviewWindowState::anyVisible(ReviewList{}));
}

TEST(ReviewWindowState, NoKeyIsHandledWithoutGroups) {
    ReviewWindowState state;
    for (auto key : {ReviewKey::photoAt(1), ReviewKey::of(Kind::nextGroup),
                     ReviewKey::of(Kind::toggleCompare), ReviewKey::of(Kind::commit)})
        EXPECT_FALSE(state.handle(key, ReviewList{}).handled);
    EXPECT_FALSE(state.moveActive(1, ReviewList{}));
}

TEST(ReviewWindowState, PhotoKeysToggleWithinTheActiveGroupOnly) {
    ReviewWindowState state;
    const auto list = threeGroups();
    EXPECT_FALSE(state.handle(ReviewKey::photoAt(1), list).handled) << "no active group";
    state.activeGroup = "g1";
    auto first = state.handle(ReviewKey::photoAt(1), list);
    ASSERT_TRUE(first.handled);
    EXPECT_EQ(first.toggle->assetID, "a");
    EXPECT_EQ(state.handle(ReviewKey::photoAt(3), list).toggle->assetID, "c");
    EXPECT_FALSE(state.handle(ReviewKey::photoAt(4), list).handled);
    state.activeGroup = "vanished";
    EXPECT_FALSE(state.handle(ReviewKey::photoAt(1), list).handled);
}

TEST(ReviewWindowState, MovingClampsAtBothEndsAndStartsAtTheFirstGroup) {
    ReviewWindowState state;
    const auto list = threeGroups();
    EXPECT_TRUE(state.handle(ReviewKey::of(Kind::nextGroup), list).handled);
    EXPECT_TRUE(state.followsActiveRow);
    EXPECT_EQ(state.activeGroup, "g1") << "no active group: the first, the offset unused";
    EXPECT_TRUE(state.moveActive(-1, list));
    EXPECT_EQ(state.activeGroup, "g1");
    state.moveActive(1, list);
    state.moveActive(1, list);
    EXPECT_TRUE(state.moveActive(1, list));
    EXPECT_EQ(state.activeGroup, "g3");
    state.activeGroup = "vanished";
    EXPECT_TRUE(state.moveActive(1, list));
    EXPECT_EQ(state.activeGroup, "g1");
    EXPECT_FALSE(state.comparing) << "closed overlay stays closed";
}

TEST(ReviewWindowState, CompareOpensOnTheActiveOrFirstGroupAndFollowsMoves) {
    ReviewWindowState state;
    const auto list = threeGroups();
    EXPECT_TRUE(state.handle(ReviewKey::of(Kind::toggleCompare), list).handled);
    EXPECT_EQ(state.activeGroup, "g1");
    EXPECT_EQ(state.comparing, "a");
    ASSERT_NE(state.comparedGroup(list), nullptr);
    EXPECT_EQ(state.comparedGroup(list)->id, "g1");
    state.handle(ReviewKey::of(Kind::nextGroup), list);
    EXPECT_EQ(state.comparing, "d") << "the overlay follows the active group";
    EXPECT_TRUE(state.handle(ReviewKey::of(Kind::toggleCompare), list).handled);
    EXPECT_FALSE(state.comparing);
    EXPECT_FALSE(state.handle(ReviewKey::of(Kind::close), list).handled)
        << "escape with nothing to close passes on";
    state.handle(ReviewKey::of(Kind::toggleCompare), list);
    EXPECT_TRUE(state.handle(ReviewKey::of(Kind::close), list).handled);
    EXPECT_FALSE(state.comparing);
}

TEST(ReviewWindowState, ReturnAndSToggleTheSelectionOfAGroupWithDiscardsOnly) {
    ReviewWindowState state;
    const auto list = threeGroups();
    state.activeGroup = "g1";
    EXPECT_TRUE(state.handle(ReviewKey::of(Kind::commit), list).handled);
    EXPECT_TRUE(state.selected.contains("g1"));
    EXPECT_TRUE(state.handle(ReviewKey::of(Kind::toggleSelection), list).handled);
    EXPECT_FALSE(state.selected.contains("g1"));
    state.activeGroup = "g2";
    EXPECT_FALSE(state.handle(ReviewKey::of(Kind::commit), list).handled);
    EXPECT_FALSE(state.handle(ReviewKey::of(Kind::toggleSelection), list).handled);
}

TEST(ReviewWindowState, RowCallbacksActivateSelectCompareAndHover) {
    ReviewWindowState state;
    const auto list = threeGroups();
    state.listShown(list);
    EXPECT_EQ(state.activeGroup, "g1");
    state.followsActiveRow = true;
    state.activate("g3");
    EXPECT_FALSE(state.followsActiveRow) << "clicks never scroll";
    state.listShown(list);
    EXPECT_EQ(state.activeGroup, "g3") << "an existing active group stays";
    state.select("g1", true);
    state.select("g3", true);
    state.select("g1", false);
    EXPECT_EQ(state.selected, (std::set<std::string>{"g3"}));
    state.compare(list.groups[1]);
    EXPECT_EQ(state.activeGroup, "g2");
    EXPECT_EQ(state.comparing, "d");
    state.pointerEntered("g1");
    state.pointerEntered("g2");
    state.pointerLeft("g1");
    EXPECT_EQ(state.hovered, "g2") << "a late leave of the previous row changes nothing";
    state.pointerLeft("g2");
    EXPECT_FALSE(state.hovered);
}

TEST(ReviewWindowState, SelectAllTogglesAndLeftoverIdsAreNoSelection) {
    ReviewWindowState state;
    const auto list = threeGroups();
    state.toggleSelectAll(list);
    EXPECT_EQ(state.selected, (std::set<std::string>{"g1", "g3"}));
    state.toggleSelectAll(list);
    EXPECT_TRUE(state.selected.empty());
    state.selected = {"no-longer-visible", "g2"};
    state.toggleSelectAll(list);
    EXPECT_EQ(state.selected, (std::set<std::string>{"g1", "g3"}));
}

TEST(ReviewWindowState, DeleteButtonsOnlyRaiseTheConfirmation) {
    ReviewWindowState state;
    const auto list = threeGroups();
    state.outcome = "earlier";
    state.deleteAll(list);
    EXPECT_FALSE(state.outcome) << "each request clears the outcome line";
    ASSERT_TRUE(state.confirming);
    EXPECT_EQ(state.confirming->groups, (std::set<std::string>{"g1", "g3"}));
    EXPECT_EQ(state.confirming->id(), "b,c,g");
    state.cancelDelete();
    EXPECT_FALSE(state.confirming);
    state.selected = {"g3"};
    state.deleteSelected(list);
    EXPECT_EQ(state.confirming->id(), "g");
    state.deleteGroup(list.groups[0]);
    EXPECT_EQ(state.confirming->groups, (std::set<std::string>{"g1"}));
    auto confirmed = state.takeConfirmed();
    ASSERT_TRUE(confirmed);
    EXPECT_EQ(confirmed->photos.size(), 2u);
    EXPECT_FALSE(state.confirming) << "the alert closes before the deletion runs";
}

// The footer reads `outcomeMoved` to take back its "nothing has been moved" note.
TEST(ReviewWindowState, AFinishedDeleteSaysWhetherPhotographsMoved) {
    ReviewWindowState state;
    const std::string partly =
        "1 photo moved to the Trash. 1 photo not moved: the Trash is on another drive.";
    state.deleteFinished(1, partly, "en");
    EXPECT_EQ(state.outcome, partly);
    EXPECT_TRUE(state.outcomeMoved);
    state.deleteAll(threeGroups());
    EXPECT_FALSE(state.outcome);
    EXPECT_FALSE(state.outcomeMoved);
    state.deleteFinished(0, std::nullopt, "de");
    EXPECT_EQ(state.outcome, "Nichts gelöscht. Die Markierungen sind unverändert.");
    EXPECT_FALSE(state.outcomeMoved);
}

TEST(ReviewWindowState, DeleteRequestsForTheSamePhotosAreTheSame) {
    DeleteRequest one{{"g1"}, {photo("b", false), photo("a", false)}};
    DeleteRequest two{{"g2"}, {photo("a", false), photo("b", false)}};
    EXPECT_EQ(one.id(), two.id());
    EXPECT_EQ(one.id(), "a,b");
}

TEST(ReviewWindowState, CellSidesFollowTheRowLayout) {
    ReviewWindowState state;
    state.maximumCell = 140;
    auto eight = group("g", std::vector<ReviewPhoto>(8, photo("x", true)));
    EXPECT_EQ(state.cellSide(eight, 700), 148);
    state.maximumCell = 260;
    EXPECT_EQ(state.cellSide(group("one", {photo("x", true)}), 1000), 260);
    EXPECT_EQ(ReviewWindowState::availableWidth(250), 200);
    EXPECT_EQ(ReviewWindowState::availableWidth(700), 644);
}

} // namespace
} // namespace keepsift::app
