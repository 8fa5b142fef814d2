#include <gtest/gtest.h>

#include "core/support/Logger.hpp"
#include "photos/library/EdgeStatistics.hpp"
#include "photos/library/SpikeReport.hpp"

using namespace keepsift;

namespace {

EvictedMeasures measures(std::int64_t evicted, std::int64_t files,
                         std::vector<std::int64_t> fromDiskEdges) {
    EvictedMeasures m;
    m.evicted = evicted;
    m.files = files;
    m.fromDisk = static_cast<std::int64_t>(fromDiskEdges.size());
    for (auto edge : fromDiskEdges)
        m.fromDiskSizes.push_back({edge, edge / 2});
    return m;
}

std::vector<std::string> verdictOf(const EvictedMeasures& m) {
    SpikeReport report;
    report.verdict(m);
    return report.lines();
}

} // namespace

TEST(EdgeStatistics, TakesTheUpperMiddleAndCountsBigEdges) {
    EXPECT_FALSE(EdgeStatistics::of({}));
    EXPECT_EQ(EdgeStatistics::of({4032, 800, 2048, 1024}), (EdgeStatistics{800, 2048, 4032, 3}));
    EXPECT_EQ(EdgeStatistics::of({1023})->big, 0);
}

TEST(SpikeReportVerdict, NoWhenNothingIsReachable) {
    EXPECT_EQ(verdictOf(measures(0, 0, {})).front(),
              "VERDICT            NO \u2014 nothing is reachable without downloading.");
}

TEST(SpikeReportVerdict, YesOnlyWhenEveryEvictedPhotoIsBig) {
    const auto yes = verdictOf(measures(5, 0, {1024, 1024, 2048, 4032, 1600}));
    ASSERT_EQ(yes.size(), 6u);
    EXPECT_EQ(yes[0], "VERDICT            \u26a0\ufe0f YES \u2014 every evicted photograph yields "
                      "\u22651024px from");
    const auto partial = verdictOf(measures(5, 0, {1023, 1024, 2048, 4032, 1600}));
    ASSERT_EQ(partial.size(), 4u);
    EXPECT_EQ(
        partial[0],
        "VERDICT            \u26a0\ufe0f PARTIAL \u2014 5/5 yielded pixels, 4/5 at \u22651024px.");
}

TEST(SpikeReportVerdict, MixedWhenFilesCameButNoPixels) {
    EXPECT_EQ(
        verdictOf(measures(5, 3, {})),
        std::vector<std::string>{
            "VERDICT            \u26a0\ufe0f MIXED \u2014 3/5 yielded a file but no pixels."});
}

TEST(SpikeReport, PadsSampleNamesToEight) {
    SpikeReport report;
    report.originalsLine("oldest", 2, 40);
    report.perSampleLine("newest", 3, {});
    EXPECT_EQ(report.lines()[0], "oldest    in iCloud 2/40");
    EXPECT_EQ(report.lines()[1], "newest    evicted 3  pixels 0");
}

TEST(SpikeReport, BrokenControlFollowsAnEmptyLine) {
    SpikeReport report;
    report.control(4, {});
    const std::vector<std::string> expected{
        "local assets       4",
        "pixels from disk   0/4",
        "",
        "\u26a0\ufe0f\u26a0\ufe0f THE MEASUREMENT IS BROKEN. Local assets returned no pixels",
        "   either, so the request itself is wrong and every zero above",
        "   means nothing. Fix the request before believing any verdict."};
    EXPECT_EQ(report.lines(), expected);
}

TEST(SpikeReport, EvictedSectionWithoutSizesHasNoEdgeLines) {
    SpikeReport report;
    report.evictedSection(measures(0, 0, {}));
    ASSERT_EQ(report.lines().size(), 7u);
    EXPECT_EQ(report.lines()[5], "M6  largest from disk   0/0   requestImage ladder, .fast, "
                                 "degraded refused");
}

TEST(SpikeReport, JoinsWithoutTrailingNewlineAndLogsEveryLine) {
    std::vector<LogRecord> records;
    Logger::setSinkForTesting([&](const LogRecord& r) { records.push_back(r); });
    SpikeReport report;
    report.emit("a");
    report.emit("");
    report.emit("b");
    Logger::setSinkForTesting({});
    EXPECT_EQ(report.text(), "a\n\nb");
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1].message, "spike: ");
    EXPECT_EQ(records[0].category, "spike");
    EXPECT_EQ(records[0].subsystem, "com.ambervale.keepsift");
    EXPECT_EQ(records[0].level, LogLevel::info);
}
