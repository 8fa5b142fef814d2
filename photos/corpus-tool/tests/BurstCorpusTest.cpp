// Phone-style bursts of real photographs, low-detail scenes among them, recorded and measured
// with the corpus tool as a user would: the engine groups each burst as its folder and keeps
// its sharp shot.

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "core/support/Json.hpp"
#include "photos/corpus-tool/tests/BurstCorpus.hpp"
#include "photos/corpus-tool/tests/SampleCorpus.hpp"

using namespace keepsift;
using namespace keepsift::corpustool::testing;

TEST(BurstCorpus, EveryBurstIsItsFolderAndItsSharpShotIsKept) {
    if (!KEEPSIFT_CORPUS_RECORDS) GTEST_SKIP() << "this build of keepsift-corpus cannot record";
    ScratchFolder scratch;
    const fs::path corpus = scratch.path() / "corpus", recordings = scratch.path() / "recordings";
    constexpr int photographBursts = 26;
    auto made = burst_corpus::write(corpus, photographBursts, 1024, 4);
    const auto lowDetail = burst_corpus::writeLowDetail(corpus, photographBursts, 1024, 4);
    if (!made || !lowDetail) GTEST_SKIP() << samples::unavailable;
    made->folders += lowDetail->folders;
    made->photographs += lowDetail->photographs;

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
    EXPECT_TRUE(result.at("meetsBar").asBool());
    // Every sharp shot is kept but in the soft sky and in the streaks shaken along themselves.
    // There the spoilt shots lie within identicalDistance of the sharp one and read 0.81 to 1.14
    // of its sharpness (the brighter ones highest; scaled by contrast, the darker ones, as the
    // noise does not scale with exposure): closer than re-saves of one shot read to each other,
    // so no rule that spares re-saves tells them apart, and the earliest is kept.
    // writeLowDetail numbers them after the photographs: fog, sky, night, snow, streaks.
    const int skyFolder = photographBursts + 2, streaksFolder = photographBursts + 5;
    for (const auto& flagged : result.at("winnersFlagged").asArray()) {
        const int folder = std::stoi(flagged.asString());
        EXPECT_TRUE(folder == skyFolder || folder == streaksFolder) << flagged.asString();
    }
    EXPECT_GE(result.at("winnersKeptShare").asDouble(), 0.93);
    EXPECT_GE(result.at("topPickAccuracyAsGrouped").asDouble(), 0.93);
}
