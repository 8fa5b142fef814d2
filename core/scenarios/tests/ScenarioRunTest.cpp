#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>

#include "core/scenarios/AppSnapshot.hpp"
#include "core/scenarios/Scenario.hpp"

namespace keepsift {
namespace {

std::string golden(const std::string& name, const std::string& language) {
    std::ifstream file(std::string(KEEPSIFT_TEST_DATA) + "/" + name + "." + language + ".txt",
                       std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// One line per group: kind, identifier, then "+" for a keeper or "-" for a flag before
// each file name, best first.
std::vector<std::string> groupLines(const AppSnapshot& snapshot) {
    std::vector<std::string> lines;
    for (const auto& group : snapshot.decisions) {
        std::string line = std::string(toString(group.kind)) + " " + group.groupID + ":";
        for (const auto& decision : group.decisions)
            line += std::string(decision.isKeeper ? " +" : " -") + decision.filename;
        lines.push_back(line);
    }
    return lines;
}

const std::map<std::string, std::vector<std::string>>& pinnedGroups() {
    static const std::vector<std::string> burst{
        "moment scenario-IMG_3377.jpeg: +IMG_3379.jpeg -IMG_3380.jpeg -IMG_3377.jpeg"};
    static const std::map<std::string, std::vector<std::string>> groups{
        {"family-burst", burst},
        {"one-looks-away", {"moment scenario-IMG_3372.jpeg: +IMG_3375.jpeg -IMG_3372.jpeg"}},
        {"different-compositions",
         {"moment scenario-IMG_3270.jpeg: +IMG_3274.jpeg -IMG_3270.jpeg",
          "solitary scenario-IMG_3277.jpeg: +IMG_3277.jpeg",
          "moment scenario-IMG_3280.jpeg: +IMG_3280.jpeg -IMG_3281.jpeg"}},
        {"identical-copies", {"moment scenario-IMG_0227.jpeg: +IMG_0227.jpeg -IMG_0227 copy.jpeg"}},
        {"messenger-copy",
         {"moment scenario-IMG_0227.jpeg: +IMG_0228.jpeg -IMG_0227.jpeg "
          "-Threema_2026-08-16_14-13-18.jpeg"}},
        {"favourite-never-flagged",
         {"moment scenario-IMG_3247.jpeg: +IMG_3248.jpeg +IMG_3247.jpeg"}},
        {"no-faces", {"moment scenario-IMG_1180.jpeg: +IMG_1181.jpeg -IMG_1180.jpeg"}},
        {"too-close-to-call", {"moment scenario-IMG_3322.jpeg: +IMG_3322.jpeg +IMG_3323.jpeg"}},
        {"nothing-to-review", {"solitary scenario-IMG_3277.jpeg: +IMG_3277.jpeg"}},
        {"on-battery", {}},
        {"low-power", {}},
        {"paused", {}},
        {"permission-not-asked", {}},
        {"permission-denied", {}},
        {"permission-restricted", {}},
        {"permission-limited", burst},
    };
    return groups;
}

class ScenarioRunTest : public testing::TestWithParam<std::string> {};

TEST_P(ScenarioRunTest, GroupsArePinned) {
    const AppSnapshot snapshot = Scenario::named(GetParam())->snapshot();
    EXPECT_EQ(groupLines(snapshot), pinnedGroups().at(GetParam()));
}

TEST_P(ScenarioRunTest, EveryPhotographIsDecidedOnceWhenTheQueueRuns) {
    const auto definition = *Scenario::named(GetParam());
    const AppSnapshot snapshot = definition.snapshot();
    if (snapshot.decisions.empty()) return;
    std::multiset<std::string> decided;
    for (const auto& group : snapshot.decisions) {
        EXPECT_FALSE(group.keepers().empty()) << group.groupID;
        for (const auto& decision : group.decisions)
            decided.insert(decision.digest);
    }
    std::multiset<std::string> seeded;
    for (const auto& photo : definition.photos)
        seeded.insert(Scenario::signals(photo).digest);
    EXPECT_EQ(decided, seeded);
    EXPECT_EQ(snapshot.waiting, 0);
}

TEST_P(ScenarioRunTest, ReportMatchesTheGoldenTextInEnglish) {
    EXPECT_EQ(Scenario::named(GetParam())->renderedState(), golden(GetParam(), "en"));
}

TEST_P(ScenarioRunTest, ReportMatchesTheGoldenTextInGerman) {
    auto definition = *Scenario::named(GetParam());
    definition.language = "de";
    EXPECT_EQ(definition.renderedState(), golden(GetParam(), "de"));
}

INSTANTIATE_TEST_SUITE_P(Catalogue, ScenarioRunTest, testing::ValuesIn(Scenario::names()),
                         [](const auto& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (c == '-') c = '_';
                             return name;
                         });

TEST(ScenarioSnapshotTest, WaitingCountsOnlyReadableLibrariesThatDoNotRun) {
    EXPECT_EQ(Scenario::named("paused")->snapshot().waiting, 3);
    EXPECT_EQ(Scenario::named("on-battery")->snapshot().waiting, 3);
    EXPECT_EQ(Scenario::named("low-power")->snapshot().waiting, 3);
    EXPECT_EQ(Scenario::named("permission-denied")->snapshot().waiting, 0);
    EXPECT_EQ(Scenario::named("permission-not-asked")->snapshot().waiting, 0);
    EXPECT_EQ(Scenario::named("permission-limited")->snapshot().waiting, 0);
}

TEST(ScenarioSnapshotTest, FlaggedBytesAddTheFilesToDiscard) {
    const AppSnapshot snapshot = Scenario::named("messenger-copy")->snapshot();
    EXPECT_EQ(snapshot.flaggedBytes, 1524096 + 240000);
    EXPECT_EQ(snapshot.flaggedCount(), 2);
    EXPECT_EQ(snapshot.keptCount(), 1);
    EXPECT_EQ(snapshot.groupsToReview(), 1);
}

TEST(ScenarioSnapshotTest, CountsSpanSeveralGroups) {
    AppSnapshot snapshot = Scenario::named("different-compositions")->snapshot();
    EXPECT_EQ(snapshot.groupsToReview(), 2);
    EXPECT_EQ(snapshot.keptCount(), 3);
    EXPECT_EQ(snapshot.flaggedBytes, 2 * 1524096);
}

TEST(ScenarioSnapshotTest, SnapshotCarriesTheDefinition) {
    const auto definition = *Scenario::named("permission-denied");
    const AppSnapshot snapshot = definition.snapshot();
    EXPECT_EQ(snapshot.scenario, "permission-denied");
    EXPECT_EQ(snapshot.summary, definition.summary);
    EXPECT_EQ(snapshot.settings, definition.settings());
    EXPECT_EQ(snapshot.conditions, definition.effectiveConditions());
    EXPECT_EQ(snapshot.authorization, LibraryAuthorization::denied);
    EXPECT_TRUE(snapshot.decisions.empty());
}

} // namespace
} // namespace keepsift
