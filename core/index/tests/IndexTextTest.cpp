#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>

#include "IndexFixtures.hpp"

namespace keepsift {
namespace {

using namespace fixtures;

// Enough entries for several writer and reader threads, with every optional field, odd
// identifiers, prints of every padding length and measurements that are not finite.
LibraryIndex variedIndex() {
    std::mt19937 random(11);
    std::uniform_real_distribution<float> unit(-1.f, 1.f);
    const std::vector<std::string> odd{"a/b",       "quote\"d", "back\\slash",    "tab\there",
                                       "é\xcc\x81", "\x01\x1f", "日本/写真.HEIC", ""};
    LibraryIndex index = LibraryIndex::fresh("sig/\"1\"");
    for (int i = 0; i < 9000; ++i) {
        const std::string id = odd[i % odd.size()] + std::to_string(i);
        IndexEntry e =
            IndexEntry::fresh(asset(id, i % 7 == 0 ? std::nullopt : std::optional(6e8 + i),
                                    i % 5 == 0 ? std::nullopt : std::optional(6e8 + i + 0.5)));
        if (i % 4 != 0) {
            e.signals = signals(e.asset, i % 3 == 0);
            std::vector<float> print(static_cast<size_t>(i % 9));
            for (auto& v : print)
                v = unit(random);
            e.signals->setFeaturePrint(print);
            if (i % 11 == 0) e.signals->sharpness = std::nanf("");
            if (i % 13 == 0) e.signals->aestheticsScore = INFINITY;
            if (i % 6 == 0) e.signals->printLongEdge = 512;
            if (!e.signals->faces.empty()) e.signals->faces[0].bounds.x = unit(random) * 1e-6;
        }
        e.state = static_cast<ReviewState>(i % 7);
        if (i % 2 == 0) e.groupID = "g/" + std::to_string(i / 10);
        if (i % 3 == 0) e.reason = static_cast<Reason>(i % 20);
        if (i % 8 == 0) e.skip = SkipReason::utility;
        if (i % 3 != 2) e.asset.file = FileIdentity{i * 7919LL, i % 9 == 0 ? -1 : 1700000000LL * i};
        // Read as listed, and written by its modification time alone, or with another status.
        if (i % 4 == 2 && e.asset.file)
            e.digestedAs = DigestedStatus{e.asset.file->number, e.asset.fileSize, 17LL * i,
                                          e.asset.file->changedNs};
        if (i % 4 == 3) e.digestedAs = DigestedStatus{i * 7919LL, i, 17LL * i, -i};
        if (i % 5 == 1) e.decidedAt = Date{7e8 + i * 0.25};
        e.needsOriginal = i % 10 == 0;
        if (i % 4 == 1)
            e.companionsAs = {{odd[i % odd.size()] + ".mov",
                               {{i * 13LL, i, 17LL * i, -i}, odd[(i + 1) % odd.size()]}},
                              {"a.xmp", {}}};
        index.entries.insert_or_assign(id, std::move(e));
    }
    index.ignoredGroups = {"g/1", "\"x\"", "ü"};
    return index;
}

TEST(IndexText, WriterMatchesTheValueTreeByteForByte) {
    LibraryIndex index = variedIndex();
    // Years outside 0000-9999 are measured by writing them out.
    index.entries.begin()->second.decidedAt = Date{-7e10};
    std::next(index.entries.begin(), 4500)->second.decidedAt = Date{3e11};
    EXPECT_EQ(index.encoded(), index.toJson(DateForm::iso8601).dump());
}

// Values whose text is easy to get wrong: shortest float digits, signed zeros, exponent
// layouts, the integer limits, escapes, empty prints and absent optionals.
TEST(IndexText, OddValuesWriteAndReadAsTheModelDoes) {
    LibraryAsset a = asset("odd\u2028/\"\\\b\f\n\r\t\x7f");
    a.filename = "";
    a.pixelWidth = std::numeric_limits<std::int64_t>::max();
    a.pixelHeight = std::numeric_limits<std::int64_t>::min();
    a.fileSize = -1;
    a.file = FileIdentity{7, 1796783616439443237};
    a.linkedNs = 1796783616439443238;
    IndexEntry e = IndexEntry::fresh(a);
    e.signals = signals(a);
    e.signals->setFeaturePrint({});
    e.signals->aestheticsScore = 0.58f;
    e.signals->sharpness = -0.0f;
    e.signals->printLongEdge = std::numeric_limits<std::int64_t>::min();
    auto& face = e.signals->faces.front();
    face.bounds = {-0.0, 1e-05, 0.0001, 1e300};
    face.hasSmile = std::nullopt;
    face.leftEyeClosed = false;
    face.captureQuality = std::numeric_limits<float>::denorm_min();
    face.eyeAspectRatio = std::numeric_limits<float>::max();
    face.yawDegrees = -1e-05f;
    face.rollDegrees = 16777217.f;
    IndexEntry bare = IndexEntry::fresh(asset("bare"));
    LibraryIndex index = LibraryIndex::fresh("");
    index.entries.insert_or_assign(a.id, e);
    index.entries.insert_or_assign("bare", bare);

    const std::string text = index.encoded();
    EXPECT_EQ(text, index.toJson(DateForm::iso8601).dump());
    EXPECT_NE(text.find(R"("aestheticsScore":0.58,)"), std::string::npos);
    EXPECT_NE(text.find(R"("x":-0,"y":1e-05,"width":0.0001,"height":1e+300})"), std::string::npos);
    EXPECT_NE(text.find(R"("bare":{"asset":{"id":"bare","filename":"IMG_bare.JPG","pixelWidth")"),
              std::string::npos);
    const LibraryIndex read = LibraryIndex::decode(text);
    EXPECT_EQ(read, LibraryIndex::fromJson(Json::parse(text), DateForm::iso8601));
    EXPECT_EQ(read, index);
    EXPECT_EQ(read.entry(a.id)->signals->faces.front().captureQuality, face.captureQuality);
    EXPECT_EQ(read.entry(a.id)->asset.linkedNs, a.linkedNs);
}

TEST(IndexText, IllFormedFileNamesNeverMakeTheIndexUnreadable) {
    // A Latin-1 name from a foreign file system: the file still reads back, with U+FFFD.
    LibraryAsset a = asset("latin");
    a.filename = "caf\xe9.jpg";
    IndexEntry e = measured(a, ReviewState::flagged);
    e.signals->filename = "\xff";
    LibraryIndex index = LibraryIndex::fresh("v");
    index.entries.insert_or_assign("latin", e);
    index.ignoredGroups = {"g\x80"};

    const std::string text = index.encoded();
    EXPECT_EQ(text, index.toJson(DateForm::iso8601).dump());
    const LibraryIndex read = LibraryIndex::decode(text);
    EXPECT_EQ(read.entry("latin")->asset.filename, "caf\xef\xbf\xbd.jpg");
    EXPECT_EQ(read.entry("latin")->signals->filename, "\xef\xbf\xbd");
    EXPECT_EQ(read.entry("latin")->state, ReviewState::flagged);
    EXPECT_EQ(read.ignoredGroups, (std::set<std::string>{"g\xef\xbf\xbd"}));
}

TEST(IndexText, ReaderMatchesTheValueTreeReader) {
    const std::string text = variedIndex().encoded();
    const LibraryIndex fast = LibraryIndex::decode(text);
    EXPECT_EQ(fast, LibraryIndex::fromJson(Json::parse(text), DateForm::iso8601));
    EXPECT_EQ(fast.count(), 9000u);
    EXPECT_EQ(fast.encoded(), text);
}

TEST(IndexText, OneBadEntryAmongManyFailsTheWholeIndex) {
    std::string text = variedIndex().encoded();
    const size_t at = text.rfind("\"state\":\"") + 9;
    text.insert(at, "x");
    EXPECT_THROW(LibraryIndex::decode(text), JsonError);
}

TEST(IndexText, SalvageDropsOnlyTheBadEntries) {
    const LibraryIndex whole = LibraryIndex::decode(variedIndex().encoded());
    std::string text = whole.encoded();
    const size_t at = text.rfind("\"state\":\"") + 9;
    text.insert(at, "x");
    const auto read = LibraryIndex::salvage(text);
    ASSERT_TRUE(read.damage);
    EXPECT_EQ(read.value.count(), whole.count() - 1);
    EXPECT_EQ(read.value.ignoredGroups, whole.ignoredGroups);
    for (const auto& [id, entry] : read.value.entries)
        EXPECT_EQ(entry, whole.entries.at(id));
    EXPECT_EQ(LibraryIndex::salvage(whole.encoded()).damage, std::nullopt);
}

TEST(IndexText, SalvageKeepsTheEntriesBeforeABreakInTheSyntax) {
    const LibraryIndex whole = LibraryIndex::decode(variedIndex().encoded());
    const std::string text = whole.encoded();
    const auto read = LibraryIndex::salvage(text.substr(0, text.size() / 2));
    ASSERT_TRUE(read.damage);
    EXPECT_GT(read.value.count(), whole.count() / 3);
    EXPECT_LT(read.value.count(), whole.count());
    for (const auto& [id, entry] : read.value.entries)
        EXPECT_EQ(entry, whole.entries.at(id));
    // Without the version or the start of the entries nothing can be trusted.
    EXPECT_THROW(LibraryIndex::salvage(text.substr(0, 10)), JsonError);
    EXPECT_THROW(LibraryIndex::salvage(R"({"version":"v","entries":[{"a":1}]})"), JsonError);
    EXPECT_THROW(LibraryIndex::salvage(R"({"entries":{},"version":5})"), JsonError);
}

std::string deeplyNested() {
    return std::string(300000, '[') + std::string(300000, ']');
}

// 300,000 levels (600 KB) once overflowed the stack on every start.
TEST(IndexText, DeepNestingIsDamageNotACrash) {
    LibraryIndex index = indexOf({measured(asset("a"), ReviewState::keptByHand),
                                  measured(asset("b"), ReviewState::flaggedByHand)});
    std::string text = index.encoded();
    const std::string entryB = "\"b\":{";
    text.insert(text.find(entryB) + entryB.size(), "\"x\":" + deeplyNested() + ",");
    EXPECT_THROW(LibraryIndex::decode(text), JsonError);
    const auto read = LibraryIndex::salvage(text);
    ASSERT_TRUE(read.damage);
    EXPECT_EQ(read.value.entries.size(), 1u);
    EXPECT_EQ(read.value.entry("a"), index.entry("a"));

    std::string topLevel = index.encoded();
    topLevel.insert(topLevel.size() - 1, ",\"x\":" + deeplyNested());
    EXPECT_THROW(LibraryIndex::decode(topLevel), JsonError);
    EXPECT_EQ(LibraryIndex::salvage(topLevel).value, index);
}

// An unknown key holding 200,000 members (3.6 MB) once took over a minute to read.
TEST(IndexText, UnknownKeyHoldingAHugeObjectReadsInLinearTime) {
    const LibraryIndex index = indexOf({measured(asset("a"), ReviewState::keptByHand)});
    std::string huge = "{";
    for (int i = 0; i < 200000; ++i)
        huge += (i ? ",\"m" : "\"m") + std::to_string(i) + "\":0";
    huge += "}";
    std::string text = index.encoded();
    const std::string entryA = "\"a\":{";
    text.insert(text.find(entryA) + entryA.size(), "\"x\":" + huge + ",");
    EXPECT_EQ(LibraryIndex::decode(text), index);
}

TEST(IndexText, DuplicateMembersReadAsTheValueTreeReadsThem) {
    const std::string entry = IndexEntry::fresh(asset("a")).toJson(DateForm::iso8601).dump();
    std::string second = entry;
    second.replace(second.find("\"pending\""), 9, "\"keeper\"");
    const std::string text = R"({"version":"v","version":"w","entries":{"a":)" + entry +
                             ",\"a\":" + second +
                             R"(},"entries":{},"ignoredGroups":["g"],"ignoredGroups":5})";
    const LibraryIndex index = LibraryIndex::decode(text);
    EXPECT_EQ(index, LibraryIndex::fromJson(Json::parse(text), DateForm::iso8601));
    EXPECT_EQ(index.version, "v");
    EXPECT_EQ(index.entry("a")->state, ReviewState::keeper);
    EXPECT_EQ(index.ignoredGroups, (std::set<std::string>{"g"}));
}

TEST(IndexText, AByteOrderMarkBeforeTheIndexIsSkippedAsTheValueTreeSkipsIt) {
    const std::string text = "\xEF\xBB\xBF" + variedIndex().encoded();
    EXPECT_EQ(LibraryIndex::decode(text),
              LibraryIndex::fromJson(Json::parse(text), DateForm::iso8601));
}

TEST(IndexText, BrokenSyntaxAnywhereFailsTheIndex) {
    for (const char* text :
         {R"({"version":"v","entries":{},"x":[1,}})", R"({"version":"v","entries":{}}})",
          R"({"version":"v" "entries":{}})", R"({"version":"v","entries":{"a"}})",
          R"({"version":v,"entries":{}})", R"([{"version":"v","entries":{}}])",
          R"({"version":"v","entries":{"a":{]}})"}) {
        bool referenceFails = false;
        try {
            LibraryIndex::fromJson(Json::parse(text), DateForm::iso8601);
        } catch (const JsonError&) {
            referenceFails = true;
        }
        EXPECT_TRUE(referenceFails) << text;
        EXPECT_THROW(LibraryIndex::decode(text), JsonError) << text;
    }
}

} // namespace
} // namespace keepsift
