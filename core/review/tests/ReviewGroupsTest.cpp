#include <gtest/gtest.h>

#include <algorithm>

#include "core/review/ReviewList.hpp"

namespace keepsift {
namespace {

ReviewGroup groupAt(std::string id, double date, bool flagged) {
    ReviewPhoto kept{id + "-1", id + "-1.jpg", true, false, std::nullopt, Date{date}, 4, 3, 10};
    ReviewPhoto other{id + "-2", id + "-2.jpg", !flagged, false, std::nullopt, Date{date}, 4, 3,
                      20};
    return ReviewGroup{std::move(id), {kept, other}, Date{date}};
}

TEST(ReviewGroups, ReadsLikeAVectorOfGroups) {
    const ReviewGroups none;
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(none.begin(), none.end());
    EXPECT_THROW((void)none.at(0), std::out_of_range);
    const ReviewGroups groups{groupAt("a", 1, true), groupAt("b", 2, false)};
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[1].id, "b");
    EXPECT_EQ(groups.front().id, "a");
    EXPECT_EQ(groups.back().id, "b");
    EXPECT_EQ(groups.end() - groups.begin(), 2);
    EXPECT_EQ(std::count_if(groups.begin(), groups.end(),
                            [](const ReviewGroup& g) { return g.hasFlagged(); }),
              1);
    const std::vector<ReviewGroup> copied = groups;
    EXPECT_EQ(ReviewGroups(copied), groups);
    EXPECT_NE(ReviewGroups({groupAt("a", 1, true)}), groups);
}

// A snapshot keeps the list it was given whatever later patches do to the engine's list,
// and the engine's patches never see the snapshot's changes either.
TEST(ReviewGroups, CopiesStayAsTheyWereWhenEitherSideChanges) {
    ReviewList engine(std::vector<ReviewGroup>{groupAt("c", 9, true), groupAt("a", 5, true)});
    const ReviewList snapshot = engine;
    const ReviewList before = ReviewList(std::vector<ReviewGroup>(snapshot.groups));
    engine.remove("a");
    engine.insert(groupAt("b", 7, true));
    EXPECT_EQ(snapshot, before);
    EXPECT_EQ(engine.groups.size(), 2u);
    EXPECT_EQ(engine.groups[1].id, "b");
    EXPECT_EQ(engine.flaggedCount, 2);
    ReviewList held = snapshot;
    held.groups.push_back(groupAt("z", 1, false));
    held.groups.erase(held.groups.begin());
    EXPECT_EQ(snapshot, before);
    EXPECT_EQ(engine.groups[0].id, "c");
}

} // namespace
} // namespace keepsift
