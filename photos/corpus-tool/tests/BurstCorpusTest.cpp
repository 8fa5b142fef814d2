// Phone-style bursts of real photographs, recorded and measured with the corpus tool as a
// user would: the engine groups each burst as its folder and keeps its sharp shot.

#include <cstdio>

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
    const auto made = burst_corpus::write(corpus, 26, 1024, 4);
    if (!made) GTEST_SKIP() << samples::unavailable;

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
    EXPECT_GE(result.at("winnersKeptShare").asDouble(), 0.95);
    EXPECT_GE(result.at("topPickAccuracyAsGrouped").asDouble(), 0.95);
    EXPECT_TRUE(result.at("meetsBar").asBool());
}
