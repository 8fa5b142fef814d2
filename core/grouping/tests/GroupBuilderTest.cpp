#include <cmath>

#include <gtest/gtest.h>

#include "PhotoFactory.hpp"
#include "core/grouping/GroupBuilder.hpp"

namespace keepsift {
namespace {

using sample::photo;
using sample::printAt;
using Kind = PhotoGroup::Kind;
const auto& standard = GroupingPolicy::standard;

std::vector<std::vector<std::string>> namesOf(const std::vector<PhotoGroup>& groups) {
    std::vector<std::vector<std::string>> names;
    for (const auto& group : groups) {
        auto& list = names.emplace_back();
        for (const auto& p : group.photos)
            list.push_back(p.filename);
    }
    return names;
}

std::vector<Kind> kindsOf(const std::vector<PhotoGroup>& groups) {
    std::vector<Kind> kinds;
    for (const auto& group : groups)
        kinds.push_back(group.kind);
    return kinds;
}

TEST(GroupBuilderBasics, NothingOrOnePhotograph) {
    EXPECT_TRUE(GroupBuilder::build({}, standard).empty());
    const auto groups = GroupBuilder::build({photo("a", 0)}, standard);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].id, "digest-a");
    EXPECT_EQ(groups[0].kind, Kind::solitary);
}

TEST(GroupBuilderBasics, DistanceDecidesTheKind) {
    const auto pair = [](float offset) {
        return GroupBuilder::build({photo("a", 0), photo("b", 5, printAt(offset))}, standard);
    };
    EXPECT_EQ(kindsOf(pair(0.05f)), std::vector{Kind::identical});
    EXPECT_EQ(kindsOf(pair(0.3f)), std::vector{Kind::moment});
    EXPECT_EQ(kindsOf(pair(0.6f)), (std::vector{Kind::solitary, Kind::solitary}));
}

TEST(GroupBuilderThresholds, DistancesExactlyAtTheThresholdsCount) {
    const std::vector photos{photo("a", 0), photo("b", 5, printAt(0.37f))};
    const double d = *photos[0].printDistance(photos[1]);
    auto policy = standard;
    policy.distanceThreshold = d;
    policy.identicalDistance = d;
    EXPECT_EQ(kindsOf(GroupBuilder::build(photos, policy)), std::vector{Kind::identical});
    policy.identicalDistance = std::nextafter(d, 0.0);
    EXPECT_EQ(kindsOf(GroupBuilder::build(photos, policy)), std::vector{Kind::moment});
    policy.distanceThreshold = std::nextafter(d, 0.0);
    EXPECT_EQ(GroupBuilder::build(photos, policy).size(), 2u);
}

TEST(GroupBuilderSessions, GapOfExactlyTheSessionGapStaysTogether) {
    EXPECT_EQ(GroupBuilder::build({photo("a", 0), photo("b", 1800)}, standard).size(), 1u);
    EXPECT_EQ(GroupBuilder::build({photo("a", 0), photo("b", 1800.5)}, standard).size(), 2u);
    // The gap runs from the photograph before, not from the session's first.
    const std::vector chain{photo("a", 0), photo("b", 1800), photo("c", 3600)};
    EXPECT_EQ(GroupBuilder::sessions(chain, standard).size(), 1u);
    // An undated photograph stands alone and the gap after it is not measured.
    const std::vector broken{photo("a", 0), photo("u", std::nullopt), photo("b", 1e6)};
    EXPECT_EQ(GroupBuilder::sessions(broken, standard).size(), 3u);
}

TEST(GroupBuilderSessions, BurstOf121SplitsAfter120) {
    std::vector<PhotoSignals> burst;
    for (int i = 0; i < 121; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "IMG_%04d", i);
        burst.push_back(photo(name, i * 0.4, printAt(0.01f * float(i % 3))));
    }
    const auto sessions = GroupBuilder::sessions(burst, standard);
    ASSERT_EQ(sessions.size(), 2u);
    EXPECT_EQ(sessions[0].size(), 120u);
    const auto groups = GroupBuilder::build(burst, standard);
    EXPECT_EQ(kindsOf(groups), (std::vector{Kind::identical, Kind::solitary}));
    EXPECT_EQ(groups[0].count(), 120u);
    EXPECT_EQ(groups[1].id, "digest-IMG_0120");
}

TEST(GroupBuilderSessions, SessionLengthOfOneLeavesEverythingSolitary) {
    auto policy = standard;
    policy.maximumSessionLength = 1;
    const auto groups = GroupBuilder::build({photo("a", 0), photo("b", 1), photo("c", 2)}, policy);
    EXPECT_EQ(kindsOf(groups), std::vector(3, Kind::solitary));
}

TEST(GroupBuilderPrints, IncomparablePrintsNeverMerge) {
    auto revision = photo("b", 1);
    revision.featurePrintRevision = "older";
    auto rendition = photo("c", 2);
    rendition.printLongEdge = 512;
    auto empty = photo("d", 3);
    empty.setFeaturePrint({});
    const auto groups = GroupBuilder::build({photo("a", 0), revision, rendition, empty}, standard);
    EXPECT_EQ(kindsOf(groups), std::vector(4, Kind::solitary));
}

TEST(GroupBuilderPrints, PartnersMayDifferAcrossTheGroup) {
    const auto groups = GroupBuilder::build(
        {photo("a", 0), photo("b", 1, printAt(0.09f)), photo("c", 2, printAt(0.18f))}, standard);
    EXPECT_EQ(kindsOf(groups), std::vector{Kind::identical});
}

TEST(GroupBuilderVeto, DifferentHeadCountsStayApart) {
    auto three = photo("a", 0);
    three.faces = {sample::face(0.2, 0.2), sample::face(0.07, 0.07), sample::face(0.07, 0.07)};
    auto two = photo("b", 1, printAt(0.01f));
    two.faces = {sample::face(0.2, 0.2), sample::face(0.07, 0.07)};
    EXPECT_EQ(GroupBuilder::build({three, two}, standard).size(), 2u);
    auto noVeto = standard;
    noVeto.separatesCompositions = false;
    EXPECT_EQ(GroupBuilder::build({three, two}, noVeto).size(), 1u);
    // Without a subject-sized face on both sides nothing is vetoed.
    two.faces = {sample::face(0.1, 0.1), sample::face(0.07, 0.07)};
    EXPECT_EQ(GroupBuilder::build({three, two}, standard).size(), 1u);
    two.faces.clear();
    EXPECT_EQ(GroupBuilder::build({three, two}, standard).size(), 1u);
}

TEST(GroupBuilderOrder, EqualDatesGoByFileNameAndGroupsById) {
    const auto groups = GroupBuilder::build(
        {photo("b", 10), photo("a", 10, printAt(0.2f)), photo("z", 10, printAt(0.9f))}, standard);
    EXPECT_EQ(namesOf(groups), (std::vector<std::vector<std::string>>{{"a", "b"}, {"z"}}));
    // Groups whose first photographs share a date go by id, not by file name.
    auto x = photo("x", 10), y = photo("y", 10, printAt(0.9f));
    x.digest = "2";
    y.digest = "1";
    const auto apart = GroupBuilder::build({x, y}, standard);
    EXPECT_EQ(namesOf(apart), (std::vector<std::vector<std::string>>{{"y"}, {"x"}}));
}

TEST(GroupBuilderOrder, UndatedPhotographsAreSolitaryAtTheEnd) {
    const auto groups = GroupBuilder::build(
        {photo("u2", std::nullopt), photo("b", 5), photo("u1", std::nullopt), photo("a", 0)},
        standard);
    EXPECT_EQ(namesOf(groups), (std::vector<std::vector<std::string>>{{"a", "b"}, {"u1"}, {"u2"}}));
    EXPECT_EQ(groups[1].kind, Kind::solitary);
}

TEST(GroupBuilderCopies, CopyJoinsItsSolitaryOriginalUnderTheOriginalsId) {
    auto copy = photo("a-small", 0, printAt(0.01f));
    copy.pixelWidth /= 2;
    copy.pixelHeight /= 2;
    const auto groups = GroupBuilder::build({photo("b-original", 30), copy}, standard);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].kind, Kind::moment);
    EXPECT_EQ(groups[0].id, "digest-b-original");
    EXPECT_EQ(namesOf(groups)[0], (std::vector<std::string>{"a-small", "b-original"}));
    EXPECT_EQ(groups[0].copies,
              (std::map<std::string, std::string>{{"digest-a-small", "digest-b-original"}}));
}

TEST(GroupBuilderCopies, CopyWithoutAnOriginalsGroupStandsAlone) {
    const std::vector signals{photo("a", 0), photo("b", 1), photo("c", 2)};
    const std::vector<PhotoGroup> groups{{"digest-a", Kind::solitary, {signals[0]}, {}}};
    const auto result = GroupBuilder::attachCopies(
        {{"digest-c", "digest-missing"}, {"digest-b", "digest-a"}}, signals, groups);
    EXPECT_EQ(namesOf(result), (std::vector<std::vector<std::string>>{{"a", "b"}, {"c"}}));
    EXPECT_EQ(kindsOf(result), (std::vector{Kind::moment, Kind::solitary}));
    EXPECT_EQ(result[1].id, "digest-c");
}

// Dated and undated photographs in one group have no consistent capture order; the result
// must still be one fixed order, whatever order they came in.
TEST(GroupBuilderCopies, MixedDatedAndUndatedGroupSortsTheSameFromAnyOrder) {
    std::vector signals{photo("z", 0), photo("m", std::nullopt), photo("a", 1)};
    std::vector<std::vector<std::string>> first;
    std::sort(signals.begin(), signals.end(),
              [](const auto& x, const auto& y) { return x.filename < y.filename; });
    do {
        const std::vector<PhotoGroup> groups{{"digest-z", Kind::solitary, signals, {}}};
        const auto names = namesOf(GroupBuilder::attachCopies({}, signals, groups));
        if (first.empty()) first = names;
        EXPECT_EQ(names, first);
    } while (
        std::next_permutation(signals.begin(), signals.end(), [](const auto& x, const auto& y) {
            return x.filename < y.filename;
        }));
    // Where the order is consistent it is the described one: dated by date, names between.
    const std::vector consistent{photo("d", 5), photo("c", std::nullopt), photo("a", 1)};
    const std::vector<PhotoGroup> groups{{"digest-d", Kind::moment, consistent, {}}};
    EXPECT_EQ(namesOf(GroupBuilder::attachCopies({}, consistent, groups))[0],
              (std::vector<std::string>{"a", "c", "d"}));
}

TEST(GroupBuilderSteps, LinkageAndVetoOnClusters) {
    DistanceMatrix matrix(3);
    matrix.at(0, 1) = matrix.at(1, 0) = 0.2;
    matrix.at(0, 2) = matrix.at(2, 0) = 0.4;
    matrix.at(1, 2) = matrix.at(2, 1) = INFINITY;
    const std::vector<Cluster> clusters{{0}, {1}, {2}};
    EXPECT_EQ(GroupBuilder::averageLinkage(0, 1, clusters, matrix), 0.2);
    EXPECT_TRUE(std::isinf(GroupBuilder::averageLinkage(0, 1, {{0, 2}, {1}}, matrix)));
    EXPECT_DOUBLE_EQ(GroupBuilder::averageLinkage(0, 1, {{0}, {1, 2}}, DistanceMatrix(3)),
                     INFINITY);
    auto people = photo("p", 0);
    people.faces = {sample::face(0.2, 0.2)};
    const std::vector session{people, photo("q", 1)};
    EXPECT_FALSE(GroupBuilder::compositionsDiffer({0}, {1}, standard, session));
    EXPECT_FALSE(GroupBuilder::compositionsDiffer({}, {0}, standard, session));
}

} // namespace
} // namespace keepsift
