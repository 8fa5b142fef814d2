// The measure command's text names the rule that flagged each lost winner, so a miss can be
// traced to grouping, the identical-group order or the score without decoding recordings.

#include <gtest/gtest.h>

#include "photos/corpus-tool/LostWinners.hpp"

using namespace keepsift;

namespace {

struct Shot {
    const char* name;
    float sharpness;
    std::vector<float> print;
};

// A folder of shots five seconds apart, starting `at`.
CorpusRecording folder(std::string name, double at, const std::vector<Shot>& shots) {
    CorpusRecording result;
    result.group = std::move(name);
    for (const auto& shot : shots) {
        PhotoSignals photo;
        photo.digest = result.group + "/" + shot.name;
        photo.filename = shot.name;
        photo.capturedAt = Date{at += 5};
        photo.pixelWidth = photo.pixelHeight = 1000;
        photo.featurePrintRevision = std::string(PhotoSignals::printRevision);
        photo.setFeaturePrint(shot.print);
        photo.sharpness = shot.sharpness;
        if (CorpusRecording::winnerMarker(shot.name).isWinner) result.winners.push_back(shot.name);
        result.photos.push_back(std::move(photo));
    }
    return result;
}

} // namespace

TEST(LostWinners, EachLostWinnerNamesItsRuleItsSharpnessAndWhatWasKept) {
    const std::vector<float> scene{1.f, 0.f}, moved{0.95f, 0.3f};
    const std::vector<CorpusRecording> recordings{
        // A blurred shot taken first, within identicalDistance: kept by the original order.
        folder("1", 0, {{"IMG_1.jpg", 0.5f, scene}, {"IMG_2 - winner.jpg", 0.45f, scene}}),
        // A moment group whose sharp shot is not the winner.
        folder("2", 10000, {{"IMG_3.jpg", 1.f, scene}, {"IMG_4 - winner.jpg", 0.1f, moved}}),
        // A winner kept is not listed.
        folder("3", 20000, {{"IMG_5 - winner.jpg", 1.f, scene}, {"IMG_6.jpg", 0.1f, moved}}),
    };
    const auto prepared = CorpusMeasurement::prepare(recordings, GroupingPolicy::standard);
    const auto lines = corpustool::lostWinnerLines(prepared, ScoringPolicy::standard);
    const auto result = CorpusMeasurement::measure(prepared, ScoringPolicy::standard);

    ASSERT_EQ(lines.size(), result.winnersFlagged.size());
    EXPECT_EQ(lines,
              (std::vector<std::string>{
                  "1/IMG_2 - winner.jpg: flaggedNearIdentical, identical group of 2, sharpness "
                  "0.90 of its sharpest; kept IMG_1.jpg (keptEarlierOfIdenticals)",
                  "2/IMG_4 - winner.jpg: flaggedBlurred, moment group of 2, sharpness 0.10 of its "
                  "sharpest; kept IMG_3.jpg (keptSharper)"}));
}
