// Phone-style bursts of real photographs, low-detail scenes among them, recorded and measured
// with the corpus tool as a user would: the engine groups each burst as its folder and keeps
// its sharp shot.

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "core/corpus/CorpusMeasurement.hpp"
#include "core/grouping/KeeperSelector.hpp"
#include "core/support/Json.hpp"
#include "photos/corpus-tool/MeasureCommand.hpp"
#include "photos/corpus-tool/tests/BurstCorpus.hpp"
#include "photos/corpus-tool/tests/SampleCorpus.hpp"
#include "platform/analysis/tests/SampleScope.hpp"

using namespace keepsift;
using namespace keepsift::corpustool::testing;

namespace {

// Under the sanitizers six photograph bursts, both kinds of copy among them, walk every path
// of record and measure (see SampleScope.hpp).
constexpr int photographBursts = samples::wholeSample ? 26 : 6;
constexpr int lowDetailBursts = 5, indistinctBursts = 2;

// Where no one can see which shot is sharp, the burst names no winner; it still keeps one
// shot and flags the rest.
void expectEachIndistinctBurstKeepsOneShot(const fs::path& recordings) {
    const auto prepared = CorpusMeasurement::prepare(corpustool::readRecordings(recordings),
                                                     GroupingPolicy::standard);
    int indistinct = 0;
    for (const auto& recording : prepared.recordings) {
        if (!recording.winners.empty()) continue;
        ++indistinct;
        const auto grouped = prepared.groupOf.find(recording.photos.front().digest);
        ASSERT_NE(grouped, prepared.groupOf.end()) << recording.group;
        const auto& group = prepared.groups[grouped->second];
        EXPECT_EQ(group.count(), recording.photos.size()) << recording.group;
        const auto decision = KeeperSelector::decide(group, ScoringPolicy::standard);
        EXPECT_EQ(decision.keepers().size(), 1u) << recording.group;
        EXPECT_EQ(decision.flagged().size(), recording.photos.size() - 1) << recording.group;
    }
    EXPECT_EQ(indistinct, indistinctBursts);
}

// Every burst with a spoil a person can see keeps its sharp shot: fog, soft sky, night, snow
// and streaks shaken across themselves among them.
TEST(BurstCorpus, EveryBurstIsItsFolderAndItsSharpShotIsKept) {
    if (!KEEPSIFT_CORPUS_RECORDS) GTEST_SKIP() << "this build of keepsift-corpus cannot record";
    ScratchFolder scratch;
    const fs::path corpus = scratch.path() / "corpus", recordings = scratch.path() / "recordings";
    auto made = burst_corpus::write(corpus, photographBursts, 1024, 4);
    const auto lowDetail = burst_corpus::writeLowDetail(corpus, photographBursts, 1024, 4);
    const auto indistinct =
        burst_corpus::writeIndistinct(corpus, photographBursts + lowDetailBursts, 1024, 4);
    if (!made || !lowDetail || !indistinct) GTEST_SKIP() << samples::unavailable;
    for (const auto* more : {&*lowDetail, &*indistinct}) {
        made->folders += more->folders;
        made->photographs += more->photographs;
    }

    const ToolRun record = tool(scratch, {"record", corpus.string(), recordings.string()});
    ASSERT_EQ(record.status, 0) << record.err;
    const ToolRun text = tool(scratch, {"measure", recordings.string()});
    std::printf("%s", text.out.c_str());
    const ToolRun json = tool(scratch, {"measure", recordings.string(), "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    const Json result = Json::parse(json.out);

    EXPECT_EQ(result.at("folders").asInt64(), made->folders);
    EXPECT_EQ(result.at("photographs").asInt64(), made->photographs);
    EXPECT_EQ(result.at("foldersExact").asInt64(), made->folders);
    EXPECT_EQ(result.at("falseMerges").asInt64(), 0);
    EXPECT_EQ(result.at("winnersTotal").asInt64(), photographBursts + lowDetailBursts);
    EXPECT_EQ(result.at("winnersFlagged").asArray().size(), 0u);
    expectEachIndistinctBurstKeepsOneShot(recordings);
    // Rates are bars on the whole corpus.
    if (!samples::wholeSample) return;
    EXPECT_TRUE(result.at("meetsBar").asBool());
    EXPECT_GE(result.at("winnersKeptShare").asDouble(), 0.98);
    EXPECT_GE(result.at("topPickAccuracyAsGrouped").asDouble(), 0.97);
}

} // namespace
