#include <gtest/gtest.h>

#include "IndexFixtures.hpp"
#include "core/index/IndexEntryReader.hpp"

namespace keepsift {
namespace {

using namespace fixtures;

std::optional<IndexEntry> viaTree(const std::string& text) {
    try {
        return IndexEntry::fromJson(Json::parse(text), DateForm::iso8601);
    } catch (const JsonError&) {
        return std::nullopt;
    }
}

std::optional<IndexEntry> direct(const std::string& text) {
    try {
        return readIndexEntry(text);
    } catch (const JsonError&) {
        return std::nullopt;
    }
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
}

TEST(IndexEntryReader, AgreesWithTheValueTreeOnGoodAndBadEntries) {
    IndexEntry full = measured(asset("a", 700000000, 700000001), ReviewState::flagged);
    full.groupID = "g";
    full.reason = Reason::flaggedBlurred;
    full.skip = SkipReason::unreadable;
    full.decidedAt = Date{700000002};
    full.signals->printLongEdge = 512;
    full.formerState = ReviewState::keptByHand;
    full.formerDecidedAt = Date{700000003};
    full.contentDigest = "9f86d081";
    full.digestedAs = DigestedStatus{1234567, 4096, 1700000000000000001, 1700000000123456789};
    full.asset.file = FileIdentity{1234567, 1700000000123456789};
    full.companionsAs = {
        {"a.mov", {DigestedStatus{77, 8192, 1700000000000000002, 1700000000000000003}, "c0ffee"}},
        {"a.xmp", {DigestedStatus{78, 512, 1700000000000000004, 1700000000000000005}}}};
    const std::string good = full.toJson(DateForm::iso8601).dump();
    const std::vector<std::pair<std::string, std::string>> edits{
        {"", ""},
        {"\"needsOriginal\":false", "\"needsOriginal\":\"yes\""},
        {"\"needsOriginal\":false", "\"needsOriginal\":[1,{\"x\":null}]"},
        {"\"needsOriginal\":false", "\"needsOriginal\":true,\"needsOriginal\":false"},
        {"\"needsOriginal\":false", "\"needsOriginal\":nope"},
        {"\"groupID\":\"g\"", "\"groupID\":null"},
        {"\"groupID\":\"g\"", "\"groupID\":\"first\",\"groupID\":\"second\""},
        {"\"groupID\":\"g\"", "\"groupID\":5"},
        {"\"state\":\"flagged\"", "\"state\":\"archived\""},
        {"\"formerState\":\"keptByHand\"", "\"formerState\":\"archived\""},
        {"\"formerState\":\"keptByHand\"", "\"formerState\":null"},
        {"\"contentDigest\":\"9f86d081\"", "\"contentDigest\":7"},
        {",\"contentDigest\":\"9f86d081\"", ""},
        {",\"digestedAs\":{\"number\":1234567", ",\"earlier\":{\"number\":1234567"},
        {"\"digestedAs\":{\"number\":1234567,", "\"digestedAs\":{"},
        {"\"changedNs\":1700000000123456789}", "\"changedNs\":\"x\"}"},
        {",\"companionsAs\":[", ",\"earlier\":["},
        {"\"companionsAs\":[", "\"companionsAs\":null,\"earlier\":["},
        {"{\"name\":\"a.mov\",", "{"},
        {"\"name\":\"a.xmp\"", "\"name\":7"},
        {",\"digest\":\"c0ffee\"", ""},
        {"\"digest\":\"c0ffee\"", "\"digest\":null"},
        {"\"digest\":\"c0ffee\"", "\"digest\":7"},
        {"\"name\":\"a.xmp\"", "\"name\":\"a.xmp\",\"digest\":\"beef\""},
        {",\"fileNumber\":1234567", ""},
        {"\"fileNumber\":1234567", "\"fileNumber\":null"},
        {"\"fileNumber\":1234567", "\"fileNumber\":\"1234567\""},
        {"\"fileChangedNs\":1700000000123456789", "\"fileChangedNs\":1.5"},
        {"\"formerDecidedAt\":\"2023-03-08T20:26:43Z\"", "\"formerDecidedAt\":5"},
        {"\"state\":\"flagged\"", "\"state\":null"},
        {"\"reason\":\"flaggedBlurred\"", "\"reason\":\"flaggedUgly\""},
        {"\"skip\":\"unreadable\"", "\"skip\":null"},
        {"\"pixelWidth\":4032", "\"pixelWidth\":-0"},
        {"\"pixelWidth\":4032", "\"pixelWidth\":4032.0"},
        {"\"pixelWidth\":4032", "\"pixelWidth\":4e3"},
        {"\"pixelWidth\":4032", "\"pixelWidth\":9223372036854775808"},
        {"\"pixelWidth\":4032", "\"pixelWidth\":\"4032\""},
        {"\"pixelWidth\":4032",
         "\"extra\":{\"deep\":[1,2,{\"x\":\"\\u00e9\"}]},\"pixelWidth\":4032"},
        {"\"aestheticsScore\":0.58", "\"aestheticsScore\":-0"},
        {"\"aestheticsScore\":0.58", "\"aestheticsScore\":1e400"},
        {"\"aestheticsScore\":0.58", "\"aestheticsScore\":12345678901234567890123"},
        {"\"aestheticsScore\":0.58", "\"aestheticsScore\":0.5800000000000000001"},
        {"\"x\":0.1", "\"x\":-0"},
        {"\"x\":0.1", "\"x\":1E-7"},
        {"\"hasSmile\":true", "\"hasSmile\":null"},
        {"\"hasSmile\":true", "\"hasSmile\":1"},
        {"\"featurePrint\":\"", "\"featurePrint\":[0.5,-1,2,\"x\"],\"unused\":\""},
        {"\"featurePrint\":\"", "\"featurePrint\":[0.5,-1,2],\"unused\":\""},
        {"\"featurePrint\":\"", "\"featurePrint\":\"!!\",\"unused\":\""},
        {"\"featurePrint\":\"", "\"featurePrint\":null,\"unused\":\""},
        {"\"faces\":[", "\"faces\":null,\"unused\":["},
        {"\"capturedAt\":\"", "\"capturedAt\":null,\"unused\":\""},
        {"\"decidedAt\":\"2", "\"decidedAt\":\"x2"},
        {"\"decidedAt\":\"2", "\"decidedAt\":\"\\u0032"},
        {"\"id\":\"a\"", "\"id\":\"caf\xc3\xa9\""},
        {"\"id\":\"a\"", "\"id\":\"\xc3\""},
        {"\"id\":\"a\"", "\"id\":\"tab\there\""},
        {"\"digest\":\"a\",", ""},
        {"\"signals\":{", "\"signals\":null,\"unused\":{"},
        {"\"signals\":{", "\"signals\":[],\"unused\":{"},
        {"\"isRejected\":false", "\"isRejected\":false "},
        {"\"isRejected\":false", "\"isRejected\":fals"},
    };
    for (const auto& [from, to] : edits) {
        const std::string text = from.empty() ? good : replaced(good, from, to);
        EXPECT_EQ(direct(text), viaTree(text)) << text;
    }
    EXPECT_EQ(direct(good), full);
    EXPECT_EQ(direct(good + " x"), std::nullopt);
    EXPECT_EQ(direct("[]"), std::nullopt);
}

// As a read-back after `chmod -R` leaves every entry: its digest read with the status it is
// listed with. Only the modification time is written; the rest is read from the asset.
TEST(IndexEntryReader, AStatusAsListedIsKeptByItsModificationTimeAlone) {
    IndexEntry entry = measured(asset("a", 700000000, 700000001), ReviewState::keeper);
    entry.contentDigest = "9f86d081";
    entry.asset.file = FileIdentity{1234567, 1700000000123456789, 2049};
    entry.digestedAs =
        DigestedStatus{1234567, entry.asset.fileSize, 1700000000000000001, 1700000000123456789};
    IndexEntry other = entry;
    other.digestedAs->changedNs = 1700000000000000002;
    const std::string good = entry.toJson(DateForm::iso8601).dump();
    const std::string full = other.toJson(DateForm::iso8601).dump();
    EXPECT_EQ(good.find("\"digestedAs\""), std::string::npos) << good;
    EXPECT_NE(good.find(",\"digestedModifiedNs\":1700000000000000001"), std::string::npos);
    EXPECT_EQ(full.find("digestedModifiedNs"), std::string::npos) << full;
    EXPECT_LT(good.size() + 60, full.size());
    EXPECT_EQ(direct(good), entry);
    EXPECT_EQ(viaTree(good), entry);
    EXPECT_EQ(direct(full), other);
    EXPECT_EQ(viaTree(full), other);
    const std::vector<std::pair<std::string, std::string>> edits{
        // A status never stands without the file it names: an asset without one gives none.
        {",\"fileNumber\":1234567", ""},
        {"\"digestedModifiedNs\":1700000000000000001", "\"digestedModifiedNs\":null"},
        {"\"digestedModifiedNs\":1700000000000000001", "\"digestedModifiedNs\":\"x\""},
        {"\"digestedModifiedNs\":1700000000000000001",
         "\"digestedModifiedNs\":1700000000000000001,\"digestedAs\":{\"number\":1,\"size\":2,"
         "\"modifiedNs\":3,\"changedNs\":4}"},
    };
    for (const auto& [from, to] : edits) {
        const std::string text = replaced(good, from, to);
        EXPECT_EQ(direct(text), viaTree(text)) << text;
    }
    EXPECT_EQ(direct(replaced(good, ",\"fileNumber\":1234567", ""))->digestedAs, std::nullopt);
    // The full form, when both are there, is the one read.
    EXPECT_EQ(direct(replaced(good, "\"digestedModifiedNs\":1700000000000000001",
                              "\"digestedModifiedNs\":1700000000000000001,\"digestedAs\":{"
                              "\"number\":1,\"size\":2,\"modifiedNs\":3,\"changedNs\":4}"))
                  ->digestedAs,
              (DigestedStatus{1, 2, 3, 4}));
}

} // namespace
} // namespace keepsift
