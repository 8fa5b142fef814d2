#include <gtest/gtest.h>

#include "core/corpus/CorpusRecording.hpp"
#include "core/support/Json.hpp"
#include "photos/corpus-tool/CorpusFolders.hpp"
#include "photos/corpus-tool/tests/SampleCorpus.hpp"

using namespace keepsift;
using namespace keepsift::corpustool;
using namespace keepsift::corpustool::testing;
using Origin = CorpusCapture::Origin;

namespace {

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

CorpusRecording recording(std::string name, std::vector<std::string> files, double at) {
    CorpusRecording result;
    result.group = std::move(name);
    for (const auto& file : files) {
        PhotoSignals photo;
        photo.digest = result.group + "/" + file;
        photo.filename = file;
        photo.capturedAt = Date{at += 5};
        photo.featurePrintRevision = std::string(PhotoSignals::printRevision);
        photo.setFeaturePrint(std::vector<float>{1.f, 0.f});
        photo.sharpness = 0.5f;
        if (CorpusRecording::winnerMarker(file).isWinner) result.winners.push_back(file);
        result.photos.push_back(std::move(photo));
    }
    return result;
}

} // namespace

TEST(ToolEndToEnd, WithoutACommandItExplainsItsUsage) {
    ScratchFolder scratch;
    const ToolRun run = tool(scratch, {});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(contains(run.err, "usage: keepsift-corpus plan STAGING CORPUS [--apply]"));
    EXPECT_EQ(tool(scratch, {"measure", "a", "b"}).status, 2);
    EXPECT_EQ(tool(scratch, {"plan", "a", "b", "--force"}).status, 2);
}

TEST(ToolEndToEnd, PlanWithRefusalsMovesNothing) {
    ScratchFolder scratch;
    const fs::path staging = scratch.path() / "staging", corpus = scratch.path() / "corpus";
    writeCaptureFolder(staging / "capture-0001", {"a.jpg", "b.jpg"}, 1, Origin::handFoldered,
                       false);
    fs::create_directories(staging / "capture-0002");
    writeJpeg(staging / "capture-0002" / "c.jpg", 3);
    writeJpeg(staging / "capture-0002" / "d.jpg", 4);
    fs::create_directories(corpus);

    const ToolRun run = tool(scratch, {"plan", staging.string(), corpus.string(), "--apply"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(contains(run.err, "capture-0002 has no capture.json."));
    EXPECT_TRUE(fs::exists(staging / "capture-0001"));
    EXPECT_TRUE(fs::is_empty(corpus));
}

TEST(ToolEndToEnd, PlanPrintsTheReportAndAppliesIt) {
    ScratchFolder scratch;
    const fs::path staging = scratch.path() / "staging", corpus = scratch.path() / "corpus";
    writeCaptureFolder(staging / "capture-0010", {"a.jpg", "b - winner.jpg"}, 1,
                       Origin::handFoldered, true);
    writeCaptureFolder(staging / "capture-0002", {"c.jpg", "d.jpg", "e.jpg"}, 3, Origin::appGrouped,
                       false);
    fs::create_directories(corpus / "7");
    writeJpeg(corpus / "7" / "old.jpg", 99);

    const ToolRun dry = tool(scratch, {"plan", staging.string(), corpus.string()});
    EXPECT_EQ(dry.status, 0) << dry.err;
    EXPECT_TRUE(contains(dry.out, "  capture-0002      \u2192  8        3       0        no\n"));
    EXPECT_TRUE(contains(dry.out, "  capture-0010      \u2192  9        2       1        yes\n"));
    EXPECT_TRUE(fs::exists(staging / "capture-0010"));

    const ToolRun applied = tool(scratch, {"plan", staging.string(), corpus.string(), "--apply"});
    EXPECT_EQ(applied.status, 0) << applied.err;
    EXPECT_TRUE(fs::exists(corpus / "8" / "c.jpg"));
    EXPECT_TRUE(fs::exists(corpus / "9" / "b - winner.jpg"));
    EXPECT_TRUE(fs::is_empty(staging));

    writeCaptureFolder(staging / "capture-0011", {"again.jpg", "other.jpg"}, 1,
                       Origin::handFoldered, false);
    const ToolRun repeat = tool(scratch, {"plan", staging.string(), corpus.string()});
    EXPECT_EQ(repeat.status, 1);
    EXPECT_TRUE(contains(repeat.err, "capture-0011/again.jpg is byte-identical to a photograph "
                                     "in corpus folder 9"));
}

TEST(ToolEndToEnd, MeasurePrintsTheResultAsTextAndJson) {
    ScratchFolder scratch;
    const fs::path recordings = scratch.path() / "recordings";
    fs::create_directories(recordings);
    writeText(recordings / "2.json", recording("2", {"a.jpg", "b - winner.jpg"}, 0).encoded());
    writeText(recordings / "10.json", recording("10", {"c.jpg", "d.jpg"}, 7200).encoded());
    writeText(recordings / "notes.txt", "ignored");

    const ToolRun text = tool(scratch, {"measure", recordings.string()});
    EXPECT_EQ(text.status, 0) << text.err;
    EXPECT_TRUE(contains(text.out, "folders 2 (2 hand-foldered, 0 app-grouped), photographs 4"));
    EXPECT_TRUE(contains(text.out, "meetsBar: no\n"));

    const ToolRun json = tool(scratch, {"measure", recordings.string(), "--json"});
    EXPECT_EQ(json.status, 0) << json.err;
    const Json result = Json::parse(json.out);
    EXPECT_EQ(result.at("folders").asInt64(), 2);
    EXPECT_EQ(result.at("foldersWithWinner").asInt64(), 1);
    EXPECT_EQ(result.at("topPickAccuracy").type(), Json::Type::number);
    EXPECT_FALSE(result.at("meetsBar").asBool());
    EXPECT_FALSE(result.at("groupingPasses").asBool());
    EXPECT_TRUE(result.at("notes").asArray().empty());
    for (const char* key : {"misses", "winnersFlagged", "keeperPasses", "winnersPass",
                            "hasAppGroupedFolders", "flaggedShare", "winnersKeptShare",
                            "topPickAccuracyAsGrouped", "bothWinnersKept", "kept", "flagged"})
        EXPECT_NE(result.find(key), nullptr) << key;
}

TEST(ToolEndToEnd, MeasureNamesWhatItCannotRead) {
    ScratchFolder scratch;
    const ToolRun missing = tool(scratch, {"measure", (scratch.path() / "none").string()});
    EXPECT_EQ(missing.status, 2);
    EXPECT_TRUE(contains(missing.err, (scratch.path() / "none").string()));

    const fs::path recordings = scratch.path() / "recordings";
    fs::create_directories(recordings);
    writeText(recordings / "1.json", recording("1", {"a.jpg"}, 0).encoded());
    writeText(recordings / "3.json", "{\"group\": \"3\"}");
    const ToolRun broken = tool(scratch, {"measure", recordings.string(), "--json"});
    EXPECT_EQ(broken.status, 2);
    EXPECT_TRUE(contains(broken.err, (recordings / "3.json").string()));
    EXPECT_TRUE(broken.out.empty());
}

#if KEEPSIFT_CORPUS_RECORDS
TEST(ToolEndToEnd, RecordSkipsWhatItCannotMeasureThenMeasureReadsTheRecordings) {
    ScratchFolder scratch;
    const fs::path corpus = scratch.path() / "corpus", recordings = scratch.path() / "rec";
    writeCaptureFolder(corpus / "1", {"a.jpg", "b - winner.jpg", "c.jpg"}, 1, Origin::appGrouped,
                       false);
    writeCaptureFolder(corpus / "2", {"d - winner, sharp.jpg", "e.jpg"}, 4, Origin::handFoldered,
                       false);
    writeText(corpus / "2" / "corrupt.jpg", "\xff\xd8\xff\xe0 truncated");
    writeText(corpus / "2" / "readme.txt", "not a photograph");
    writeJpeg(corpus / "2" / ".hidden.jpg", 9);

    const ToolRun record = tool(scratch, {"record", corpus.string(), recordings.string()});
    EXPECT_EQ(record.status, 0) << record.err;
    EXPECT_TRUE(contains(record.err, (corpus / "2" / "corrupt.jpg").string()));
    EXPECT_FALSE(contains(record.err, "readme.txt"));
    EXPECT_FALSE(contains(record.err, ".hidden.jpg"));
    EXPECT_FALSE(contains(record.err, "\r")) << "no progress line when stderr is no terminal";
    EXPECT_TRUE(contains(record.out, "recorded 5 photographs (1 skipped) into 2 recordings"));
    EXPECT_TRUE(contains(record.out, "photographs per second"));

    const auto first = CorpusRecording::decode(readFile(recordings / "1.json"));
    EXPECT_EQ(first.origin, Origin::appGrouped);
    EXPECT_EQ(first.winners, std::vector<std::string>{"b - winner.jpg"});
    EXPECT_EQ(first.photos.size(), 3u);
    const auto second = CorpusRecording::decode(readFile(recordings / "2.json"));
    EXPECT_EQ(second.photos.size(), 2u);
    EXPECT_EQ(second.hints.at("d - winner, sharp.jpg"), "winner, sharp");

    const ToolRun measure = tool(scratch, {"measure", recordings.string(), "--json"});
    EXPECT_EQ(measure.status, 0) << measure.err;
    const Json result = Json::parse(measure.out);
    EXPECT_EQ(result.at("photographs").asInt64(), 5);
    EXPECT_EQ(result.at("foldersWithWinner").asInt64(), 2);
}
#endif
