#include <gtest/gtest.h>

#include "core/telemetry/Buckets.hpp"

namespace keepsift {
namespace {

template <class E> std::string text(E value) {
    return std::string(toString(value));
}

TEST(Buckets, LibraryCountsRoundAtTheirEdges) {
    EXPECT_EQ(text(libraryBucket(-5)), "0");
    EXPECT_EQ(text(libraryBucket(0)), "0");
    EXPECT_EQ(text(libraryBucket(1)), "1-999");
    EXPECT_EQ(text(libraryBucket(999)), "1-999");
    EXPECT_EQ(text(libraryBucket(1'000)), "1k-5k");
    EXPECT_EQ(text(libraryBucket(4'999)), "1k-5k");
    EXPECT_EQ(text(libraryBucket(5'000)), "5k-20k");
    EXPECT_EQ(text(libraryBucket(20'000)), "20k-50k");
    EXPECT_EQ(text(libraryBucket(49'999)), "20k-50k");
    EXPECT_EQ(text(libraryBucket(50'000)), "50k+");
}

TEST(Buckets, GroupAndFlaggedCountsShareTheirTexts) {
    for (auto [n, expected] :
         std::vector<std::pair<std::int64_t, std::string>>{{-1, "0"},
                                                           {0, "0"},
                                                           {1, "1-9"},
                                                           {9, "1-9"},
                                                           {10, "10-99"},
                                                           {99, "10-99"},
                                                           {100, "100-999"},
                                                           {999, "100-999"},
                                                           {1'000, "1000+"},
                                                           {INT64_MAX, "1000+"}}) {
        EXPECT_EQ(text(groupBucket(n)), expected) << n;
        EXPECT_EQ(text(flaggedBucket(n)), expected) << n;
    }
}

TEST(Buckets, DeleteBatchesHaveNoBucketForNothing) {
    EXPECT_EQ(deleteBucket(0), std::nullopt);
    EXPECT_EQ(deleteBucket(-3), std::nullopt);
    EXPECT_EQ(text(*deleteBucket(1)), "1");
    EXPECT_EQ(text(*deleteBucket(2)), "2-9");
    EXPECT_EQ(text(*deleteBucket(9)), "2-9");
    EXPECT_EQ(text(*deleteBucket(10)), "10-49");
    EXPECT_EQ(text(*deleteBucket(49)), "10-49");
    EXPECT_EQ(text(*deleteBucket(50)), "50-199");
    EXPECT_EQ(text(*deleteBucket(199)), "50-199");
    EXPECT_EQ(text(*deleteBucket(200)), "200+");
}

TEST(Buckets, SizesUseDecimalUnits) {
    EXPECT_EQ(text(sizeBucket(0)), "unknown");
    EXPECT_EQ(text(sizeBucket(-1)), "unknown");
    EXPECT_EQ(text(sizeBucket(1)), "0-100MB");
    EXPECT_EQ(text(sizeBucket(99'999'999)), "0-100MB");
    EXPECT_EQ(text(sizeBucket(100'000'000)), "100MB-1GB");
    EXPECT_EQ(text(sizeBucket(999'999'999)), "100MB-1GB");
    EXPECT_EQ(text(sizeBucket(1'000'000'000)), "1-10GB");
    EXPECT_EQ(text(sizeBucket(9'999'999'999)), "1-10GB");
    EXPECT_EQ(text(sizeBucket(10'000'000'000)), "10GB+");
}

TEST(Buckets, OverridesAboveTwentyReadTwentyPlus) {
    EXPECT_EQ(text(overrideBucket(0)), "0");
    EXPECT_EQ(text(overrideBucket(1)), "1");
    EXPECT_EQ(text(overrideBucket(2)), "2-5");
    EXPECT_EQ(text(overrideBucket(5)), "2-5");
    EXPECT_EQ(text(overrideBucket(6)), "6-20");
    EXPECT_EQ(text(overrideBucket(20)), "6-20");
    EXPECT_EQ(text(overrideBucket(21)), "20+");
}

TEST(Buckets, NudgeThresholdsFollowEveryNudge) {
    EXPECT_EQ(nudgeThreshold(ReviewNudge::never), NudgeThreshold::never);
    EXPECT_EQ(nudgeThreshold(ReviewNudge::at25), NudgeThreshold::at25);
    EXPECT_EQ(nudgeThreshold(ReviewNudge::at50), NudgeThreshold::at50);
    EXPECT_EQ(nudgeThreshold(ReviewNudge::at100), NudgeThreshold::at100);
    EXPECT_EQ(nudgeThreshold(ReviewNudge::at200), NudgeThreshold::at200);
    EXPECT_EQ(nudgeThreshold(ReviewNudge::at600), NudgeThreshold::at600);
    EXPECT_EQ(text(nudgeThreshold(ReviewNudge::at1000)), "1000");
}

TEST(Buckets, LanguageTagsMatchWholeLowerCasedCodes) {
    EXPECT_EQ(languageTag("en"), LanguageTag::en);
    EXPECT_EQ(languageTag("DE"), LanguageTag::de);
    EXPECT_EQ(languageTag("de-DE"), LanguageTag::other);
    EXPECT_EQ(languageTag("en-gb"), LanguageTag::other);
    EXPECT_EQ(languageTag(""), LanguageTag::other);
    EXPECT_EQ(languageTag("other"), LanguageTag::other);
    EXPECT_EQ(languageTag("\xff"), LanguageTag::other);
}

TEST(Buckets, RawTextsParseOnlyExactly) {
    EXPECT_EQ(fromString<GroupBucket>("1-9"), GroupBucket::few);
    EXPECT_EQ(fromString<GroupBucket>("1\u20139"), std::nullopt);
    EXPECT_EQ(fromString<GroupBucket>(""), std::nullopt);
    EXPECT_EQ(fromString<FlaggedBucket>("1000+"), FlaggedBucket::lots);
    EXPECT_EQ(allCases<SettingName>().size(), 9u);
    EXPECT_EQ(text(allCases<SettingName>().back()), "language");
    EXPECT_EQ(text(allCases<LibraryBucket>().back()), "50k+");
}

} // namespace
} // namespace keepsift
