#include <gtest/gtest.h>

#include "core/corpus/CorpusMeasurement.hpp"

using namespace keepsift;
using namespace keepsift::CorpusMeasurement;
using Origin = CorpusCapture::Origin;
using Texts = std::vector<std::string>;

namespace {

constexpr double hour = 3600;

// Photographs of one scene share a print axis; offsets along the last axis stay close
// enough to group and far enough not to count as near-identical.
PhotoSignals shot(const std::string& name, double at, int scene, int offset,
                  float aesthetics = 0.5f) {
    PhotoSignals photo;
    photo.digest = "digest-" + name;
    photo.filename = name;
    photo.capturedAt = Date{at};
    photo.pixelWidth = 4000;
    photo.pixelHeight = 3000;
    photo.fileSize = 1000;
    std::vector<float> print(8, 0.f);
    print[scene] = 1.f;
    print[7] = 0.2f * static_cast<float>(offset);
    photo.setFeaturePrint(print);
    photo.featurePrintRevision = std::string(PhotoSignals::printRevision);
    photo.aestheticsScore = aesthetics;
    photo.sharpness = 0.9f;
    return photo;
}

CorpusRecording folder(std::string name, std::vector<PhotoSignals> photos, Texts winners = {},
                       Origin origin = Origin::handFoldered) {
    CorpusRecording recording{std::move(name), std::move(winners), {}, std::move(photos), origin};
    for (const auto& winner : recording.winners) {
        const auto marker = CorpusRecording::winnerMarker(winner);
        if (!marker.hint.empty()) recording.hints[winner] = marker.hint;
    }
    return recording;
}

// A clean folder of three shots at its own hour and scene, the best one a winner.
CorpusRecording cleanFolder(int index, Origin origin = Origin::handFoldered) {
    const std::string n = std::to_string(index);
    const double at = index * 10 * hour;
    return folder(n,
                  {shot(n + "a.jpg", at, index % 6, 0, 0.2f),
                   shot(n + "b - winner.jpg", at + 5, index % 6, 1, 0.9f),
                   shot(n + "c.jpg", at + 10, index % 6, 2, 0.1f)},
                  {n + "b - winner.jpg"}, origin);
}

Result measureStandard(const std::vector<CorpusRecording>& recordings) {
    return run(recordings, GroupingPolicy::standard, ScoringPolicy::standard);
}

} // namespace

TEST(CorpusMeasurementGrouping, MergedFoldersAreOneFalseMergeAndNeitherIsExact) {
    const auto result = measureStandard({
        folder("2", {shot("a.jpg", 0, 0, 0), shot("b.jpg", 5, 0, 1)}),
        folder("10", {shot("c.jpg", 8, 0, 2), shot("d.jpg", 12, 0, 1)}),
        cleanFolder(3),
    });
    EXPECT_EQ(result.falseMerges, 1);
    EXPECT_EQ(result.foldersExact, 1);
    EXPECT_EQ(result.notes, (Texts{"merged folders 10+2: a.jpg, b.jpg, c.jpg, d.jpg",
                                   "folder 2: 2 photograph(s) came out as nothing",
                                   "folder 10: 2 photograph(s) came out as nothing"}));
    EXPECT_FALSE(result.groupingPasses());
}

TEST(CorpusMeasurementGrouping, SplitFolderNamesItsPieces) {
    const auto result = measureStandard(
        {folder("5", {shot("a.jpg", 0, 1, 0), shot("b.jpg", 5, 1, 1), shot("c.jpg", 10, 1, 2),
                      shot("d.jpg", 3 * hour, 1, 0), shot("e.jpg", 3 * hour + 5, 1, 1)})});
    EXPECT_EQ(result.notes, (Texts{"folder 5: 5 photograph(s) came out as 3+2"}));
    EXPECT_EQ(result.foldersExact, 0);
    EXPECT_EQ(result.falseMerges, 0);
}

TEST(CorpusMeasurementGrouping, AppGroupedFoldersCountOnlyForKeepers) {
    const auto result = measureStandard({
        folder("1", {shot("a.jpg", 0, 0, 0), shot("b - winner.jpg", 5, 0, 1, 0.9f)},
               {"b - winner.jpg"}, Origin::appGrouped),
        folder("2", {shot("c.jpg", 8, 0, 2), shot("d.jpg", 12, 0, 1)}, {}, Origin::appGrouped),
    });
    EXPECT_EQ(result.folders, 2);
    EXPECT_EQ(result.photographs, 4);
    EXPECT_EQ(result.handFolderedFolders, 0);
    EXPECT_EQ(result.appGroupedFolders, 2);
    EXPECT_TRUE(result.hasAppGroupedFolders());
    EXPECT_EQ(result.falseMerges, 0);
    EXPECT_EQ(result.foldersExact, 0);
    EXPECT_TRUE(result.notes.empty());
    EXPECT_EQ(result.foldersWithWinner, 1);
    EXPECT_EQ(result.topPickCorrect, 1);
    EXPECT_EQ(result.foldersWithWinnerAsGrouped, 1);
    EXPECT_EQ(result.topPickAsGrouped, 1);
}

TEST(CorpusMeasurementKeepers, CleanFoldersMeetTheBar) {
    std::vector<CorpusRecording> recordings;
    for (int i = 1; i <= 26; ++i)
        recordings.push_back(cleanFolder(i));
    const auto result = measureStandard(recordings);
    EXPECT_TRUE(result.notes.empty()) << result.notes.front();
    EXPECT_EQ(result.foldersExact, 26);
    EXPECT_EQ(result.topPickCorrect, 26);
    EXPECT_EQ(result.winnersKept, 26);
    EXPECT_EQ(result.winnersTotal, 26);
    EXPECT_EQ(result.kept + result.flagged, 78);
    EXPECT_TRUE(result.meetsBar());
}

TEST(CorpusMeasurementKeepers, OnePhotographFolderIsSolitaryAndCorrect) {
    const auto prepared =
        prepare({folder("1", {shot("only - winner.jpg", 0, 0, 0)}, {"only - winner.jpg"})},
                GroupingPolicy::standard);
    ASSERT_EQ(prepared.truthGroups.size(), 1u);
    EXPECT_EQ(prepared.truthGroups[0].group.kind, PhotoGroup::Kind::solitary);
    EXPECT_EQ(prepared.truthGroups[0].group.id, "digest-only - winner.jpg");
    const auto result = measure(prepared, ScoringPolicy::standard);
    EXPECT_EQ(result.topPickCorrect, 1);
    EXPECT_EQ(result.foldersExact, 1);
    const auto verdicts = decide(prepared, ScoringPolicy::standard);
    EXPECT_EQ(verdicts, (std::vector<Verdict>{{"1", 1, 1, true}}));
    EXPECT_FALSE(verdicts[0].hasChoice());
}

TEST(CorpusMeasurementKeepers, MissCarriesTheRankingAndTheWinnersHints) {
    const auto result = measureStandard({folder(
        "4",
        {shot("a - winner, eyes open.jpg", 0, 0, 0, 0.1f), shot("b.jpg", 5, 0, 1, 0.9f),
         shot("c - winner.jpg", 10, 0, 2, 0.2f), shot("d - winner, sharp.jpg", 15, 0, 0, 0.1f)},
        {"a - winner, eyes open.jpg", "c - winner.jpg", "d - winner, sharp.jpg"})});
    ASSERT_EQ(result.misses.size(), 1u);
    const Miss& miss = result.misses[0];
    EXPECT_EQ(miss.group, "4");
    EXPECT_EQ(miss.chosen, "b.jpg");
    EXPECT_EQ(miss.hint, "winner, eyes open / winner / winner, sharp");
    EXPECT_EQ(miss.ranking.size(), 4u);
    EXPECT_EQ(miss.ranking.front().filename, "b.jpg");
    EXPECT_EQ(result.topPickCorrect, 0);
    EXPECT_FALSE(result.keeperPasses());
}

TEST(CorpusMeasurementKeepers, TwoWinnersOfWhichOnlyOneIsKept) {
    const auto result = measureStandard({
        folder("1",
               {shot("a - winner.jpg", 0, 0, 0, 0.9f), shot("b - winner.jpg", 5, 0, 1, 0.1f),
                shot("c.jpg", 10, 0, 2, 0.5f)},
               {"a - winner.jpg", "b - winner.jpg"}),
        folder("2",
               {shot("d - winner.jpg", hour * 10, 1, 0, 0.9f),
                shot("e - winner.jpg", hour * 10 + 5, 1, 1, 0.89f),
                shot("f.jpg", hour * 10 + 10, 1, 2, 0.1f)},
               {"d - winner.jpg", "e - winner.jpg"}),
    });
    EXPECT_EQ(result.foldersWithTwoWinners, 2);
    EXPECT_EQ(result.bothWinnersKept, 1);
    EXPECT_EQ(result.winnersTotal, 4);
    EXPECT_EQ(result.winnersKept, 3);
    EXPECT_EQ(result.winnersFlagged, (Texts{"1/b - winner.jpg"}));
}

TEST(CorpusMeasurementKeepers, WinnerOutsideEveryGroupCountsOnlyAsAWinnerFolder) {
    auto prepared = prepare({cleanFolder(1)}, GroupingPolicy::standard);
    prepared.groupOf.erase("digest-1b - winner.jpg");
    const auto result = measure(prepared, ScoringPolicy::standard);
    EXPECT_EQ(result.foldersWithWinner, 1);
    EXPECT_EQ(result.foldersWithWinnerAsGrouped, 0);
    EXPECT_EQ(result.winnersTotal, 0);
    EXPECT_TRUE(result.winnersFlagged.empty());
}

TEST(CorpusMeasurementKeepers, UnknownWinnerNameIsSkippedSilently) {
    auto recording = cleanFolder(1);
    recording.winners.push_back("gone.jpg");
    const auto result = measureStandard({recording});
    EXPECT_EQ(result.winnersTotal, 1);
    EXPECT_EQ(result.foldersWithWinner, 1);
    EXPECT_EQ(result.topPickCorrect, 1);
}

TEST(CorpusMeasurementGates, EmptyCorpusFailsEveryGate) {
    const auto result = measureStandard({});
    EXPECT_EQ(result, Result{});
    EXPECT_EQ(result.topPickAccuracy(), 0.0);
    EXPECT_EQ(result.flaggedShare(), 0.0);
    EXPECT_FALSE(result.groupingPasses());
    EXPECT_FALSE(result.keeperPasses());
    EXPECT_FALSE(result.winnersPass());
    EXPECT_FALSE(result.meetsBar());
}

TEST(CorpusMeasurementGates, ExactBars) {
    Result result;
    result.foldersExact = 24;
    EXPECT_TRUE(result.groupingPasses());
    result.foldersExact = 23;
    EXPECT_FALSE(result.groupingPasses());
    result.foldersExact = 100;
    result.falseMerges = 1;
    EXPECT_FALSE(result.groupingPasses());

    result.foldersWithWinner = 5;
    result.topPickCorrect = 4;
    EXPECT_EQ(result.topPickAccuracy(), 0.8);
    EXPECT_TRUE(result.keeperPasses());
    result.foldersWithWinner = 1000;
    result.topPickCorrect = 799;
    EXPECT_FALSE(result.keeperPasses());

    result.winnersKept = 25;
    EXPECT_FALSE(result.winnersPass());
    result.winnersKept = 26;
    EXPECT_TRUE(result.winnersPass());
}

TEST(CorpusMeasurementGates, RatesAndTheWholeBar) {
    Result result;
    result.foldersExact = 24;
    result.foldersWithWinner = 10;
    result.topPickCorrect = 8;
    result.winnersKept = 26;
    result.winnersTotal = 52;
    result.kept = 1;
    result.flagged = 3;
    result.topPickAsGrouped = 1;
    result.foldersWithWinnerAsGrouped = 4;
    EXPECT_EQ(result.flaggedShare(), 0.75);
    EXPECT_EQ(result.winnersKeptShare(), 0.5);
    EXPECT_EQ(result.topPickAccuracyAsGrouped(), 0.25);
    EXPECT_TRUE(result.meetsBar());
    EXPECT_FALSE(result.hasAppGroupedFolders());
}
