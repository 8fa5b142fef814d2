#include <gtest/gtest.h>

#include "core/corpus/CorpusRecording.hpp"

using namespace keepsift;
using Marker = CorpusRecording::WinnerMarker;

namespace {

PhotoSignals photo(std::string digest, std::string filename, std::optional<double> at = {}) {
    PhotoSignals signals;
    signals.digest = std::move(digest);
    signals.filename = std::move(filename);
    if (at) signals.capturedAt = Date{*at};
    signals.featurePrintRevision = std::string(PhotoSignals::printRevision);
    return signals;
}

std::vector<std::string> filenames(const std::vector<PhotoSignals>& photos) {
    std::vector<std::string> names;
    for (const auto& p : photos)
        names.push_back(p.filename);
    return names;
}

} // namespace

TEST(RecordingFiles, NumbersBeforeTextAndHiddenFilesSkipped) {
    using V = std::vector<std::string>;
    EXPECT_EQ(CorpusRecording::recordingFiles({"10.json", "9.json", ".1.json", "a.txt"}),
              (V{"9.json", "10.json"}));
    EXPECT_EQ(CorpusRecording::recordingFiles({"7.json", "007.json"}), (V{"007.json", "7.json"}));
    EXPECT_EQ(CorpusRecording::recordingFiles({"notes.json", "2.json", "10.json", "-1.json"}),
              (V{"-1.json", "2.json", "10.json", "notes.json"}));
}

TEST(RecordingFiles, MixedNamesGiveOneStableOrder) {
    // 2 < 10 numerically, "10" < "1a" < "2" as text: the described order has a cycle here.
    const std::vector<std::string> names{"1a.json", "10.json", "2.json"};
    const auto once = CorpusRecording::recordingFiles(names);
    EXPECT_EQ(once.size(), 3u);
    EXPECT_EQ(CorpusRecording::recordingFiles({"2.json", "1a.json", "10.json"}), once);
    EXPECT_TRUE(CorpusRecording::numericNameOrder("2.json", "10.json"));
    EXPECT_TRUE(CorpusRecording::numericNameOrder("10.json", "1a.json"));
    EXPECT_FALSE(CorpusRecording::numericNameOrder("99999999999999999999.json", "2.json"));
}

TEST(RecordingWinnerMarker, ReadsTheWordAfterTheFirstSpace) {
    EXPECT_EQ(CorpusRecording::winnerMarker("IMG_0227 - winner.jpeg"), (Marker{true, "winner"}));
    EXPECT_EQ(CorpusRecording::winnerMarker("IMG_0227.jpeg"), (Marker{false, ""}));
    EXPECT_EQ(CorpusRecording::winnerMarker("IMG_winner.jpeg"), (Marker{false, ""}));
    EXPECT_EQ(CorpusRecording::winnerMarker("IMG_1 winner-2.jpeg"), (Marker{true, "winner-2"}));
    EXPECT_EQ(CorpusRecording::winnerMarker("IMG_1 winners.jpeg"), (Marker{false, "winners"}));
    EXPECT_EQ(CorpusRecording::winnerMarker("IMG_1 - WINNER, eyes.open.jpeg"),
              (Marker{true, "WINNER, eyes.open"}));
    EXPECT_EQ(CorpusRecording::winnerMarker("winner IMG"), (Marker{false, "IMG"}));
}

TEST(RecordingJson, MissingOrUnknownOriginIsHandFoldered) {
    CorpusRecording recording{"3",
                              {"b - winner.jpeg"},
                              {{"b - winner.jpeg", "winner"}},
                              {photo("d1", "a.jpeg", 10.0)},
                              CorpusCapture::Origin::appGrouped};
    const std::string bytes = recording.encoded();
    EXPECT_TRUE(bytes.starts_with("{\n  \"group\" : \"3\",\n  \"hints\" : {"));
    EXPECT_NE(bytes.find("\"origin\" : \"appGrouped\""), std::string::npos);
    EXPECT_EQ(CorpusRecording::decode(bytes), recording);

    std::string without = bytes;
    without.replace(without.find("\"origin\" : \"appGrouped\","), 26, "");
    CorpusRecording read = CorpusRecording::decode(without);
    EXPECT_EQ(read.origin, CorpusCapture::Origin::handFoldered);
    EXPECT_NE(read.encoded().find("\"origin\" : \"handFoldered\""), std::string::npos);

    std::string unknown = bytes;
    unknown.replace(unknown.find("appGrouped"), 10, "grouped");
    EXPECT_EQ(CorpusRecording::decode(unknown).origin, CorpusCapture::Origin::handFoldered);
}

TEST(RecordingJson, RequiredKeysFailTheWholeFile) {
    EXPECT_THROW(CorpusRecording::decode(R"({"group":"1","winners":[],"hints":{}})"), JsonError);
    EXPECT_THROW(CorpusRecording::decode(R"({"group":1,"winners":[],"hints":{},"photos":[]})"),
                 JsonError);
    EXPECT_THROW(CorpusRecording::decode(R"({"group":"1","winners":[3],"hints":{},"photos":[]})"),
                 JsonError);
    EXPECT_THROW(CorpusRecording::decode("not json"), JsonError);
    EXPECT_NO_THROW(
        CorpusRecording::decode(R"({"group":"1","winners":[],"hints":{},"photos":[]})"));
}

// 300,000 levels once overflowed the stack.
TEST(RecordingJson, DeepNestingIsAnErrorNotACrash) {
    const std::string deep = std::string(300000, '[') + std::string(300000, ']');
    EXPECT_THROW(CorpusRecording::decode(
                     R"({"group":"1","winners":[],"hints":{},"photos":[],"x":)" + deep + "}"),
                 JsonError);
}

TEST(RecordingTables, LaterRecordingWinsARepeatedDigest) {
    const std::vector<CorpusRecording> recordings{
        {"1", {}, {}, {photo("d1", "a"), photo("d2", "b")}, {}},
        {"2", {}, {}, {photo("d2", "c")}, {}},
    };
    const auto table = CorpusRecording::groupByDigest(recordings);
    EXPECT_EQ(table.at("d1"), "1");
    EXPECT_EQ(table.at("d2"), "2");
}

TEST(RecordingTables, AllSignalsInCaptureOrder) {
    const std::vector<CorpusRecording> recordings{
        {"1", {}, {}, {photo("d1", "c", 20.0), photo("d2", "b")}, {}},
        {"2", {}, {}, {photo("d3", "a"), photo("d4", "d", 10.0)}, {}},
    };
    EXPECT_EQ(filenames(CorpusRecording::allSignals(recordings)),
              (std::vector<std::string>{"a", "b", "d", "c"}));
}

TEST(RecordingJson, EmptyRecordingInTheSortedPrettyForm) {
    const CorpusRecording empty{"1", {}, {}, {}, CorpusCapture::Origin::handFoldered};
    EXPECT_EQ(empty.encoded(), "{\n"
                               "  \"group\" : \"1\",\n"
                               "  \"hints\" : {\n\n  },\n"
                               "  \"origin\" : \"handFoldered\",\n"
                               "  \"photos\" : [\n\n  ],\n"
                               "  \"winners\" : [\n\n  ]\n"
                               "}");
}
