#include <gtest/gtest.h>

#include "IndexFixtures.hpp"

namespace keepsift {
namespace {

using namespace fixtures;

LibraryIndex sample() {
    IndexEntry flagged = measured(asset("b/2.jpg", 700000000, 700000050), ReviewState::flagged);
    flagged.groupID = "g\"1";
    flagged.reason = Reason::flaggedNearIdentical;
    flagged.decidedAt = Date{700000100};
    IndexEntry skipped = IndexEntry::fresh(asset("a/1.jpg"));
    skipped.state = ReviewState::skipped;
    skipped.skip = SkipReason::unreadable;
    IndexEntry rendition = measured(asset("c/3.jpg", -5000), ReviewState::pending);
    rendition.signals->printLongEdge = 512;
    rendition.signals->faces.clear();
    rendition.needsOriginal = true;
    LibraryIndex index = indexOf({flagged, skipped, rendition});
    index.ignoredGroups = {"g\"1", "old/group"};
    return index;
}

TEST(LibraryIndex, SignatureJoinsItsThreePieces) {
    EXPECT_EQ(LibraryIndex::currentSignature(),
              "GenerateImageFeaturePrint.revision2+detail9|vision-2048/face-4096/rev3+photokit|"
              "index4");
}

TEST(LibraryIndex, AdoptingAnotherSignatureDropsEntriesButKeepsIgnoredGroups) {
    LibraryIndex index = sample();
    EXPECT_TRUE(index.adoptVersion("other"));
    EXPECT_EQ(index.count(), 0u);
    EXPECT_EQ(index.ignoredGroups.size(), 2u);
    const LibraryIndex before = index;
    EXPECT_FALSE(index.adoptVersion("other"));
    EXPECT_EQ(index, before);
}

TEST(LibraryIndex, AccessorReadsWritesAndRemoves) {
    LibraryIndex index;
    EXPECT_EQ(index.entry("x"), std::nullopt);
    index.setEntry("x", std::nullopt);
    EXPECT_EQ(index.count(), 0u);
    index.setEntry("x", IndexEntry::fresh(asset("x")));
    EXPECT_EQ(index.entry("x")->asset.id, "x");
    index.setEntry("x", std::nullopt);
    EXPECT_EQ(index.count(), 0u);
}

TEST(LibraryIndex, EqualityIgnoresInsertionOrderButNotIgnoredGroups) {
    const LibraryIndex a = indexOf({IndexEntry::fresh(asset("1")), IndexEntry::fresh(asset("2"))});
    LibraryIndex b = indexOf({IndexEntry::fresh(asset("2")), IndexEntry::fresh(asset("1"))});
    EXPECT_EQ(a, b);
    b.ignoredGroups.insert("g");
    EXPECT_NE(a, b);
}

TEST(LibraryIndex, FreshIndexWritesAllFourKeys) {
    EXPECT_EQ(LibraryIndex::fresh("v").encoded(),
              R"({"version":"v","entries":{},"ignoredGroups":[],"ownLinks":{}})");
}

// An index of an earlier build has no record of Keepsift's own links: those of decided
// photographs it knows linked are taken for Keepsift's, not that of one not decided yet.
TEST(LibraryIndex, KeepsItsOwnLinksAndSeedsThemWhereTheyAreMissing) {
    LibraryIndex index = sample();
    index.entries.at("b/2.jpg").asset.isRejected = true;
    index.entries.at("c/3.jpg").asset.isRejected = true;
    index.ownLinks.note("b/2.jpg", "digest");
    index.ownLinks.note("gone.jpg", std::nullopt);
    for (DateForm form : {DateForm::iso8601, DateForm::secondsSince2001})
        EXPECT_EQ(LibraryIndex::fromJson(index.toJson(form), form), index);
    EXPECT_EQ(LibraryIndex::decode(index.encoded()), index);
    const auto written = index.toJson(DateForm::iso8601);
    auto earlier = Json::object();
    for (const auto& member : written.asObject())
        if (member.key != "ownLinks") earlier.add(member.key, member.value);
    const auto seeded = LibraryIndex::decode(earlier.dump()).ownLinks;
    OwnLinks expected;
    expected.note("b/2.jpg", std::nullopt);
    EXPECT_EQ(seeded, expected);
    EXPECT_EQ(LibraryIndex::fromJson(earlier, DateForm::iso8601).ownLinks, seeded);
}

TEST(LibraryIndex, DirectTextEqualsTheValueTreeByteForByte) {
    const LibraryIndex index = sample();
    EXPECT_EQ(index.encoded(), index.toJson(DateForm::iso8601).dump());
}

TEST(LibraryIndex, RoundTripsInBothDateForms) {
    const LibraryIndex index = sample();
    for (DateForm form : {DateForm::iso8601, DateForm::secondsSince2001})
        EXPECT_EQ(LibraryIndex::fromJson(Json::parse(index.toJson(form).dump()), form), index);
    EXPECT_EQ(LibraryIndex::decode(index.encoded()), index);
}

TEST(LibraryIndex, MalformedIgnoredGroupsReadAsEmptyAndKeepTheEntries) {
    const std::string text = sample().encoded();
    const std::string head = text.substr(0, text.rfind(",\"ignoredGroups\""));
    for (const char* groups : {"", ",\"ignoredGroups\":null", ",\"ignoredGroups\":3",
                               ",\"ignoredGroups\":[\"g\",4]", ",\"ignoredGroups\":{}"}) {
        const LibraryIndex index = LibraryIndex::decode(head + groups + "}");
        EXPECT_TRUE(index.ignoredGroups.empty()) << groups;
        EXPECT_EQ(index.count(), 3u) << groups;
    }
    EXPECT_EQ(LibraryIndex::decode(head + R"(,"ignoredGroups":["g","g","h"]})").ignoredGroups,
              (std::set<std::string>{"g", "h"}));
}

TEST(LibraryIndex, MissingEntriesOrOneBadEntryMakesTheFileUnreadable) {
    EXPECT_THROW(LibraryIndex::decode(R"({"version":"v","ignoredGroups":[]})"), JsonError);
    EXPECT_THROW(LibraryIndex::decode(R"({"entries":{}})"), JsonError);
    EXPECT_THROW(LibraryIndex::decode(R"({"version":"v","entries":[]})"), JsonError);
    std::string text = sample().encoded();
    text.replace(text.find("\"flagged\""), 9, "\"archived\"");
    EXPECT_THROW(LibraryIndex::decode(text), JsonError);
    EXPECT_THROW(LibraryIndex::decode(sample().encoded() + "x"), JsonError);
    EXPECT_THROW(LibraryIndex::decode(""), JsonError);
}

TEST(LibraryIndex, ReadsKeysInAnyOrderAndIgnoresUnknownOnes) {
    const LibraryIndex index = LibraryIndex::decode(
        R"( { "ignoredGroups" : [ "g" ] , "extra" : {"a":[1,2,{"b":null}]}, "entries" : { } ,)"
        R"( "version" : "v\u0031" } )");
    EXPECT_EQ(index, (LibraryIndex{"v1", {}, {"g"}, {}}));
    // Brackets and quotes inside strings of values it passes over.
    EXPECT_EQ(LibraryIndex::decode(R"({"x":["a\"]b}\\",{"c":"\\"}],"version":"v","entries":{}})"),
              LibraryIndex::fresh("v"));
}

TEST(LibraryIndex, FileDatesKeepWholeSeconds) {
    LibraryIndex index =
        indexOf({measured(asset("a", 700000000.5, 700000001.25), ReviewState::keeper)});
    const LibraryIndex back = LibraryIndex::decode(index.encoded());
    EXPECT_EQ(back.entry("a")->asset.createdAt, Date{700000000});
    EXPECT_EQ(back.entry("a")->signals->capturedAt, Date{700000000});
}

// When each file was first listed and its review made, and the drive of its number, come back
// from the file; a count of listings lost (or an index of an earlier build) reads as the
// highest stamp, never lower.
TEST(LibraryIndex, ListingStampsAndDrivesComeBackFromTheFile) {
    LibraryAsset a = asset("a");
    a.file = FileIdentity{5, 6, 77};
    IndexEntry e = IndexEntry::fresh(a);
    e.firstListing = 3;
    e.reviewListing = 4;
    e.measureAgain = true;
    LibraryIndex index = indexOf({e});
    index.listings = 9;
    EXPECT_EQ(LibraryIndex::decode(index.encoded()), index);
    EXPECT_EQ(LibraryIndex::fromJson(index.toJson(DateForm::iso8601), DateForm::iso8601), index);
    index.listings = 0;
    EXPECT_EQ(LibraryIndex::decode(index.encoded()).listings, 4);
}

} // namespace
} // namespace keepsift
