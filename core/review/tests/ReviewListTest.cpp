#include <gtest/gtest.h>

#include "core/review/ReviewList.hpp"

namespace keepsift {
namespace {

struct Entries {
    std::map<std::string, IndexEntry> map;
    std::set<std::string> ignored;

    IndexEntry& add(std::string id, std::optional<std::string> group, ReviewState state,
                    std::optional<double> created = std::nullopt, std::int64_t size = 10) {
        IndexEntry entry;
        entry.asset.id = id;
        entry.asset.filename = id + ".jpg";
        if (created) entry.asset.createdAt = Date{*created};
        entry.asset.fileSize = size;
        entry.asset.pixelWidth = 4;
        entry.asset.pixelHeight = 3;
        entry.groupID = group;
        entry.state = state;
        return map[id] = entry;
    }
    ReviewList build() const { return ReviewList::build(map, ignored); }
};

std::vector<std::string> photoIDs(const ReviewGroup& group) {
    std::vector<std::string> ids;
    for (const auto& p : group.photos)
        ids.push_back(p.assetID);
    return ids;
}

TEST(ReviewList, LeavesOutUngroupedDeletedSkippedAndIgnored) {
    Entries e;
    e.add("a", std::nullopt, ReviewState::flagged);
    e.add("b", "g1", ReviewState::flagged);
    e.add("c", "g1", ReviewState::deleted);
    e.add("d", "g1", ReviewState::skipped);
    e.add("e", "g2", ReviewState::flagged);
    e.add("f", "g2", ReviewState::keeper);
    e.ignored = {"g2"};
    EXPECT_TRUE(e.build().isEmpty());
    EXPECT_EQ(e.build().flaggedCount, 0);
    EXPECT_EQ(e.build().reclaimableBytes, 0);
}

TEST(ReviewList, ShowsOnlyGroupsWithADecisionAndEveryRemainingPhoto) {
    Entries e;
    e.add("a", "plain", ReviewState::pending);
    e.add("b", "plain", ReviewState::keeper);
    e.add("c", "hand", ReviewState::keeper);
    e.add("d", "hand", ReviewState::keptByHand);
    e.add("e", "mixed", ReviewState::flaggedByHand, std::nullopt, 0).signals = PhotoSignals{};
    e.map["e"].signals->fileSize = 77;
    e.add("f", "mixed", ReviewState::pending);
    e.add("g", "mixed", ReviewState::flagged, std::nullopt, 0);
    auto list = e.build();
    ASSERT_EQ(list.groups.size(), 2u);
    const auto& hand = list.groups[0].id == "hand" ? list.groups[0] : list.groups[1];
    const auto& mixed = list.groups[0].id == "hand" ? list.groups[1] : list.groups[0];
    EXPECT_FALSE(hand.hasFlagged());
    EXPECT_EQ(photoIDs(mixed), (std::vector<std::string>{"e", "f", "g"}));
    EXPECT_TRUE(mixed.photos[0].isUsers);
    EXPECT_TRUE(mixed.photos[1].isKeeper);
    EXPECT_FALSE(mixed.photos[1].isUsers);
    EXPECT_EQ(list.flaggedCount, 2);
    EXPECT_EQ(list.reclaimableBytes, 77);
    EXPECT_EQ(list.reviewableGroupCount(), 1);
}

TEST(ReviewList, GroupOfThreeWithTwoDeletedIsNotListed) {
    Entries e;
    e.add("a", "g", ReviewState::flagged);
    e.add("b", "g", ReviewState::deleted);
    e.add("c", "g", ReviewState::deleted);
    EXPECT_TRUE(e.build().isEmpty());
}

TEST(ReviewList, PhotosByDateThenNameAndUndatedByNameAlone) {
    Entries e;
    e.add("z", "g", ReviewState::flagged, 1);
    e.add("a", "g", ReviewState::keeper, 2);
    e.add("m", "g", ReviewState::keeper);
    auto group = e.build().groups.at(0);
    EXPECT_EQ(photoIDs(group), (std::vector<std::string>{"m", "z", "a"}));
    EXPECT_EQ(group.capturedAt, Date{2});
}

// The engine keeps its buckets in the order entries last changed; the list must not show it.
TEST(ReviewList, PhotosOfOneNameKeepOneOrderWhateverTheBucketOrder) {
    Entries e;
    e.add("a", "g", ReviewState::flagged, 1);
    e.add("b", "g", ReviewState::keeper);
    e.add("c", "g", ReviewState::keeper);
    e.add("d", "g", ReviewState::keeper, 1);
    for (const auto* id : {"b", "c", "d"})
        e.map[id].asset.filename = "IMG_0001.JPG";
    const ReviewList::Bucket forward{&e.map["a"], &e.map["b"], &e.map["c"], &e.map["d"]};
    const ReviewList::Bucket backward{&e.map["d"], &e.map["c"], &e.map["b"], &e.map["a"]};
    EXPECT_EQ(ReviewList::groupOf("g", forward), ReviewList::groupOf("g", backward));
    EXPECT_EQ(ReviewList::groupOf("g", forward), e.build().groups.at(0));
}

TEST(ReviewList, GroupsNewestFirstThenHigherIdentifierAndUndatedLast) {
    Entries e;
    for (auto [group, date] : std::vector<std::pair<std::string, std::optional<double>>>{
             {"a", 5}, {"b", 5}, {"c", 9}, {"u", std::nullopt}}) {
        e.add(group + "1", group, ReviewState::flagged, date);
        e.add(group + "2", group, ReviewState::keeper, date);
    }
    std::vector<std::string> order;
    for (const auto& g : e.build().groups)
        order.push_back(g.id);
    EXPECT_EQ(order, (std::vector<std::string>{"c", "b", "a", "u"}));
}

TEST(ReviewList, RemovingAndInsertingAGroupKeepsOrderAndTotals) {
    Entries e;
    for (auto [group, date] :
         std::vector<std::pair<std::string, double>>{{"a", 5}, {"b", 7}, {"c", 9}}) {
        e.add(group + "1", group, ReviewState::flagged, date);
        e.add(group + "2", group, ReviewState::keeper, date);
    }
    const auto whole = e.build();
    auto patched = whole;
    const auto middle = whole.groups[1];
    patched.remove("b");
    patched.remove("missing");
    EXPECT_EQ(patched, ReviewList({whole.groups[0], whole.groups[2]}));
    patched.insert(middle);
    EXPECT_EQ(patched, whole);
}

TEST(ReviewGroup, MostlyPortraitNeedsMoreThanHalf) {
    ReviewGroup group;
    EXPECT_FALSE(group.isMostlyPortrait());
    auto photo = [](std::int64_t w, std::int64_t h) {
        ReviewPhoto p;
        p.pixelWidth = w;
        p.pixelHeight = h;
        return p;
    };
    group.photos = {photo(3, 4), photo(3, 4), photo(4, 3), photo(4, 4)};
    EXPECT_FALSE(group.isMostlyPortrait());
    group.photos[2] = photo(3, 4);
    EXPECT_TRUE(group.isMostlyPortrait());
}

} // namespace
} // namespace keepsift
