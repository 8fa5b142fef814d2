#include <cmath>

#include <gtest/gtest.h>

#include "PhotoFactory.hpp"
#include "core/grouping/KeeperSelector.hpp"

namespace keepsift {
namespace {

using sample::photo;
using Kind = PhotoGroup::Kind;
const auto& standardScoring = ScoringPolicy::standard;

// A policy that scores by aesthetics alone, so scores are exact fractions.
ScoringPolicy aestheticsOnly(double marginShare) {
    return ScoringPolicy(0, 0, 0, 0, 1, 0, 0, 0.45, 4, 40, marginShare, 0.2, 0.004);
}

PhotoSignals withAesthetics(const std::string& name, float aesthetics) {
    auto p = photo(name, 0);
    p.aestheticsScore = aesthetics;
    return p;
}

FaceSignals smilingFace(double side = 0.2) {
    auto f = sample::face(side, side);
    f.hasSmile = true;
    f.leftEyeClosed = f.rightEyeClosed = false;
    return f;
}

std::vector<std::string> names(const GroupDecision& decision) {
    std::vector<std::string> out;
    for (const auto& d : decision.decisions)
        out.push_back(d.filename);
    return out;
}

TEST(KeeperEmptyGroups, NoPhotographsNoDecisions) {
    for (auto kind : allCases<Kind>())
        EXPECT_TRUE(KeeperSelector::decide({"g", kind, {}, {}}).decisions.empty());
    const PhotoGroup allCopies{"g", Kind::moment, {photo("a", 0)}, {{"digest-a", "digest-x"}}};
    EXPECT_TRUE(KeeperSelector::decide(allCopies).decisions.empty());
}

TEST(KeeperSolitary, OnlyTheFirstPhotographIsDecided) {
    const auto decision =
        KeeperSelector::decide({"g", Kind::solitary, {photo("a", 0), photo("b", 1)}, {}});
    ASSERT_EQ(decision.decisions.size(), 1u);
    EXPECT_EQ(decision.decisions[0],
              (PhotoDecision{"digest-a", "a", true, Reason::keptOnlyOne, 0}));
}

TEST(KeeperMoment, SingleCandidateScoresHalfTheWeights) {
    auto p = photo("a", 0);
    p.faces = {sample::face(0.2, 0.2)};
    const auto decision = KeeperSelector::rank({"g", Kind::moment, {p}, {}}, standardScoring);
    ASSERT_EQ(decision.decisions.size(), 1u);
    EXPECT_DOUBLE_EQ(decision.decisions[0].score, 0.5 * standardScoring.totalWeight());
    EXPECT_EQ(decision.decisions[0].reason, Reason::keptMoreFaces);
    p.sharpness = 0;
    EXPECT_DOUBLE_EQ(KeeperSelector::scores(std::vector{p}, standardScoring)[0],
                     0.5 * standardScoring.totalWeight() - standardScoring.blurPenalty);
}

TEST(KeeperMoment, EqualScoresGoToTheFirstFileName) {
    const auto decision = KeeperSelector::rank(
        {"g", Kind::moment, {photo("b", 0), photo("a", 1), photo("c", 2)}, {}}, standardScoring);
    EXPECT_EQ(names(decision), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_TRUE(decision.decisions[2].isKeeper); // equal scores are within any margin
}

TEST(KeeperMoment, RunnerUpExactlyAtTheMarginIsKept) {
    const PhotoGroup group{
        "g",
        Kind::moment,
        {withAesthetics("best", 1), withAesthetics("mid", 0.5f), withAesthetics("last", 0)},
        {}};
    const auto decision = KeeperSelector::rank(group, aestheticsOnly(0.5));
    ASSERT_EQ(names(decision), (std::vector<std::string>{"best", "mid", "last"}));
    EXPECT_EQ(decision.decisions[1].score, 0.5);
    EXPECT_TRUE(decision.decisions[1].isKeeper);
    EXPECT_FALSE(decision.decisions[2].isKeeper);
    EXPECT_FALSE(KeeperSelector::rank(group, aestheticsOnly(std::nextafter(0.5, 0.0)))
                     .decisions[1]
                     .isKeeper);
    auto marked = group;
    marked.photos[2].isInUserAlbum = true;
    EXPECT_EQ(KeeperSelector::rank(marked, aestheticsOnly(0.5)).decisions[2].reason,
              Reason::keptInAlbum);
}

// Signals are cleaned where they are measured; a value that still is not a number must
// leave a complete, ordered decision instead of breaking the sort.
TEST(KeeperMoment, MeasurementThatIsNotANumberKeepsTheRankingWhole) {
    const PhotoGroup group{
        "g",
        Kind::moment,
        {withAesthetics("b", 0), withAesthetics("c", 1), withAesthetics("a-nan", std::nanf(""))},
        {}};
    const auto decision = KeeperSelector::rank(group, aestheticsOnly(0));
    EXPECT_EQ(names(decision), (std::vector<std::string>{"a-nan", "b", "c"}));
    for (const auto& d : decision.decisions)
        EXPECT_FALSE(std::isnan(d.score));
}

TEST(KeeperMoment, FavouriteReasonOnlyBelowTheTop) {
    auto top = withAesthetics("top", 1);
    top.isFavourite = true;
    auto second = withAesthetics("second", 0);
    const auto first =
        KeeperSelector::rank({"g", Kind::moment, {top, second}, {}}, aestheticsOnly(0));
    EXPECT_EQ(first.decisions[0].reason, Reason::keptSharper);
    top.isFavourite = false;
    second.isFavourite = true;
    const auto later =
        KeeperSelector::rank({"g", Kind::moment, {top, second}, {}}, aestheticsOnly(0));
    EXPECT_EQ(later.decisions[1],
              (PhotoDecision{"digest-second", "second", true, Reason::keptFavourite, 0}));
}

TEST(KeeperMoment, SharpnessRatiosExactlyAtTheirLimits) {
    auto framed = withAesthetics("framed", 1);
    framed.sharpness = 19; // 19 / 20 is exactly 0.95
    auto sharp = withAesthetics("sharp", 0);
    sharp.sharpness = 20;
    const auto decision =
        KeeperSelector::rank({"g", Kind::moment, {framed, sharp}, {}}, standardScoring);
    EXPECT_EQ(decision.decisions[0].reason, Reason::keptBetterFramed);
    auto floor = withAesthetics("floor", 0);
    floor.sharpness = 9; // 9 / 20 is exactly the blur floor
    const auto scores = KeeperSelector::scores(std::vector{sharp, floor}, aestheticsOnly(0));
    EXPECT_EQ(scores[1], 0.5);
    EXPECT_EQ(KeeperSelector::flagReason(floor, &sharp, standardScoring, 20),
              Reason::flaggedCloseSecond);
    floor.sharpness = 8.9f;
    EXPECT_EQ(KeeperSelector::flagReason(floor, &sharp, standardScoring, 20),
              Reason::flaggedBlurred);
}

TEST(KeeperMoment, NoSharpnessAnywhereCostsTheFullPenalty) {
    auto a = withAesthetics("a", 1), b = withAesthetics("b", 0);
    a.sharpness = b.sharpness = 0;
    const auto scores = KeeperSelector::scores(std::vector{a, b}, aestheticsOnly(0));
    EXPECT_EQ(scores, (std::vector<double>{1 - 4.0, 0 - 4.0}));
    const auto decision = KeeperSelector::rank({"g", Kind::moment, {a, b}, {}}, aestheticsOnly(0));
    EXPECT_EQ(decision.decisions[1].reason, Reason::flaggedBlurred);
}

TEST(KeeperFaces, SignificanceAndGazeLimitsAreInclusive) {
    auto p = photo("a", 0);
    p.faces = {sample::face(0.004, 1.0), sample::face(0.0039, 1.0)};
    EXPECT_EQ(KeeperSelector::significantFaces(p, standardScoring).size(), 1u);
    for (float yaw : {40.f, -40.f}) {
        p.faces[0].yawDegrees = yaw;
        EXPECT_EQ(KeeperSelector::flagReason(p, nullptr, standardScoring, 1),
                  Reason::flaggedLookingAway);
    }
    p.faces[0].yawDegrees = 39.9f;
    EXPECT_EQ(KeeperSelector::flagReason(p, nullptr, standardScoring, 1),
              Reason::flaggedCloseSecond);
}

TEST(KeeperFaces, OneUnknownEyeCountsForNothing) {
    auto p = photo("a", 0);
    p.faces = {smilingFace()};
    p.faces[0].rightEyeClosed.reset();
    p.faces[0].leftEyeClosed = true;
    EXPECT_EQ(KeeperSelector::components(p, standardScoring).eyesOpen, 0);
    EXPECT_EQ(KeeperSelector::flagReason(p, nullptr, standardScoring, 1),
              Reason::flaggedCloseSecond);
    p.faces[0].leftEyeClosed = false;
    EXPECT_EQ(
        KeeperSelector::rank({"g", Kind::moment, {p}, {}}, standardScoring).decisions[0].reason,
        Reason::keptMoreFaces);
    p.faces[0].rightEyeClosed = false;
    EXPECT_EQ(
        KeeperSelector::rank({"g", Kind::moment, {p}, {}}, standardScoring).decisions[0].reason,
        Reason::keptEveryoneSmiling);
}

TEST(KeeperFaces, FlagReasonsInTheirOrder) {
    auto closed = smilingFace();
    closed.leftEyeClosed = true;
    closed.yawDegrees = 50;
    auto p = photo("a", 0);
    p.faces = {closed};
    EXPECT_EQ(KeeperSelector::flagReason(p, nullptr, standardScoring, 1),
              Reason::flaggedEyesClosed);
    auto glum = smilingFace();
    glum.hasSmile = false;
    p.faces = {glum};
    auto best = photo("b", 0);
    best.faces = {smilingFace()};
    EXPECT_EQ(KeeperSelector::flagReason(p, &best, standardScoring, 1), Reason::flaggedNotSmiling);
    best.faces = {glum, glum};
    EXPECT_EQ(KeeperSelector::flagReason(p, &best, standardScoring, 1), Reason::flaggedFacesHidden);
}

TEST(KeeperFaces, FaceWeightIsClamped) {
    auto p = photo("a", 0);
    p.faces = {smilingFace(0.01)};
    EXPECT_EQ(KeeperSelector::components(p, standardScoring).smile, 0.15);
    p.faces = {smilingFace(0.9)};
    EXPECT_EQ(KeeperSelector::components(p, standardScoring).smile, 1.5);
}

TEST(KeeperScores, NormalisationAndCentredness) {
    EXPECT_TRUE(KeeperSelector::normalised({}).empty());
    EXPECT_EQ(KeeperSelector::normalised({3, 3}), (std::vector<double>{0.5, 0.5}));
    EXPECT_EQ(KeeperSelector::normalised({1, 3, 2}), (std::vector<double>{0, 1, 0.5}));
    auto p = photo("a", 0);
    EXPECT_EQ(KeeperSelector::centredness(p), 0);
    p.faces = {sample::face(0.2, 0.2)};
    EXPECT_EQ(KeeperSelector::centredness(p), 1);
    p.faces[0].bounds = {0.9, 0.9, 0.2, 0.2};
    EXPECT_EQ(KeeperSelector::centredness(p), 0);
    // Identical candidates: every component adds half its weight.
    const auto scores = KeeperSelector::scores(std::vector{p, p}, standardScoring);
    EXPECT_EQ(scores[0], scores[1]);
    EXPECT_DOUBLE_EQ(scores[0], 0.5 * standardScoring.totalWeight());
}

TEST(KeeperScores, ASpreadUnderTheLeastSpanIsScaledByItAroundTheMiddle) {
    EXPECT_EQ(KeeperSelector::normalised({1, 1.5}, 1), (std::vector<double>{0.25, 0.75}));
    EXPECT_EQ(KeeperSelector::normalised({0, 2, 1}, 1), (std::vector<double>{0, 1, 0.5}));
    EXPECT_EQ(KeeperSelector::normalised({4, 4}, 1), (std::vector<double>{0.5, 0.5}));
}

// The face finder works in scale steps, so the same face in two shots of one moment can come
// in boxes a fifth apart; that must not outweigh the blur of the larger-boxed shot.
TEST(KeeperFaces, TheSharpShotWinsOverABlurredOneWhoseFaceBoxIsAFifthLarger) {
    auto sharp = photo("sharp", 0), blurred = photo("blurred", 1);
    sharp.faces = {smilingFace(0.22)};
    blurred.faces = {smilingFace(0.264)};
    sharp.faces[0].captureQuality = 0.85f;
    blurred.faces[0].captureQuality = 0.85f;
    sharp.sharpness = 0.9f;
    blurred.sharpness = 0.25f;
    const auto decision =
        KeeperSelector::rank({"g", Kind::moment, {blurred, sharp}, {}}, standardScoring);
    ASSERT_EQ(decision.decisions.size(), 2u);
    EXPECT_EQ(decision.decisions[0].filename, "sharp");
    EXPECT_FALSE(decision.decisions[1].isKeeper);
    EXPECT_EQ(decision.decisions[1].reason, Reason::flaggedBlurred);
}

// A face whose verdict changes still decides: one face of reference size closing its eyes.
TEST(KeeperFaces, AFaceClosingItsEyesStillDecides) {
    auto open = photo("open", 0), closed = photo("closed", 1);
    open.faces = {smilingFace(0.2)};
    closed.faces = {smilingFace(0.2)};
    closed.faces[0].leftEyeClosed = true;
    open.sharpness = 0.8f;
    closed.sharpness = 1.0f;
    const auto scores = KeeperSelector::scores(std::vector{open, closed}, standardScoring);
    EXPECT_DOUBLE_EQ(scores[0] - scores[1], standardScoring.eyesOpen - standardScoring.sharpness);
}

TEST(KeeperIdentical, PreferenceOrderMarksAndCopies) {
    auto small = photo("small", 0);
    small.pixelWidth /= 2;
    auto favourite = photo("favourite", 2);
    favourite.isFavourite = true;
    const PhotoGroup group{"g", Kind::identical, {small, photo("first", 1), favourite}, {}};
    const auto decision = KeeperSelector::decideIdentical(group);
    EXPECT_EQ(decision.decisions,
              (std::vector<PhotoDecision>{
                  {"digest-first", "first", true, Reason::keptEarlierOfIdenticals, 3},
                  {"digest-favourite", "favourite", true, Reason::keptFavourite, 2},
                  {"digest-small", "small", false, Reason::flaggedNearIdentical, 1}}));
    auto withCopy = group;
    withCopy.copies = {{"digest-small", "digest-first"}};
    const auto copied = KeeperSelector::decideIdentical(withCopy);
    EXPECT_EQ(copied.decisions[0].reason, Reason::keptOriginal);
    EXPECT_EQ(copied.decisions[2].reason, Reason::flaggedSmallerCopy);
}

PhotoSignals withSharpness(const std::string& name, double seconds, float sharpness) {
    auto p = photo(name, seconds);
    p.sharpness = sharpness;
    return p;
}

// The preference order would keep the first shot of a burst even where it is blurred.
TEST(KeeperIdentical, ABlurredShotGivesWayToTheSharpOne) {
    // Tenths of the sharpest, so that the ratio exactly at the limit divides exactly.
    const float atRatio = static_cast<float>(KeeperSelector::identicalSharpRatio * 10);
    const PhotoGroup group{"g",
                           Kind::identical,
                           {withSharpness("blurred", 0, atRatio / 2), withSharpness("sharp", 1, 10),
                            withSharpness("at-ratio", 2, atRatio)},
                           {}};
    EXPECT_EQ(KeeperSelector::decideIdentical(group).decisions,
              (std::vector<PhotoDecision>{
                  {"digest-sharp", "sharp", true, Reason::keptSharper, 3},
                  {"digest-at-ratio", "at-ratio", false, Reason::flaggedNearIdentical, 2},
                  {"digest-blurred", "blurred", false, Reason::flaggedBlurred, 1}}));
    // A blurred shot that comes last anyway moves nothing ahead of the kept one.
    const PhotoGroup sharpFirst{"g",
                                Kind::identical,
                                {withSharpness("sharp", 0, 1), withSharpness("blurred", 1, 0.1f)},
                                {}};
    const auto kept = KeeperSelector::decideIdentical(sharpFirst).decisions;
    EXPECT_EQ(kept[0].reason, Reason::keptEarlierOfIdenticals);
    EXPECT_EQ(kept[1].reason, Reason::flaggedBlurred);
}

// Shots captured apart are not saves of one shot: one that reads less sharp than a sharper
// keeper would gives way, without being called blurred. Saves of one shot share its capture
// time, and undated ones may be saves; re-encoding spreads their readings, so they do not.
TEST(KeeperIdentical, ALessSharpShotCapturedApartGivesWay) {
    const float atLine = static_cast<float>(KeeperSelector::sharperRatio * 10);
    const PhotoGroup group{"g",
                           Kind::identical,
                           {withSharpness("softer", 0, 9), withSharpness("sharp", 1, 10),
                            withSharpness("at-line", 2, atLine)},
                           {}};
    EXPECT_EQ(KeeperSelector::decideIdentical(group).decisions,
              (std::vector<PhotoDecision>{
                  {"digest-sharp", "sharp", true, Reason::keptSharper, 3},
                  {"digest-at-line", "at-line", false, Reason::flaggedNearIdentical, 2},
                  {"digest-softer", "softer", false, Reason::flaggedNearIdentical, 1}}));
    // A shot below both lines still goes after one that only reads softer.
    const PhotoGroup mixed{"g",
                           Kind::identical,
                           {withSharpness("blurred", 0, 1), withSharpness("softer", 1, 9),
                            withSharpness("sharp", 2, 10)},
                           {}};
    EXPECT_EQ(names(KeeperSelector::decideIdentical(mixed)),
              (std::vector<std::string>{"sharp", "softer", "blurred"}));
    for (const std::optional<double> when : {std::optional<double>(1), std::optional<double>()}) {
        auto sharp = photo("sharp", when);
        sharp.sharpness = 10;
        const PhotoGroup saves{
            "g", Kind::identical, {withSharpness("another save", 1, 8), sharp}, {}};
        const auto kept = KeeperSelector::decideIdentical(saves).decisions;
        EXPECT_EQ(kept[0].filename, "another save");
        EXPECT_EQ(kept[0].reason, Reason::keptEarlierOfIdenticals);
    }
}

TEST(KeeperIdentical, MarksAndCopiesStillDecideAmongBlurredShots) {
    auto favourite = withSharpness("favourite", 0, 0.2f);
    favourite.isFavourite = true;
    // The copy reads blurred, but it is the sharp shot's copy.
    auto copy = withSharpness("copy", 1, 0.2f);
    copy.pixelWidth /= 2;
    const PhotoGroup group{"g",
                           Kind::identical,
                           {favourite, copy, withSharpness("sharp", 2, 1)},
                           {{"digest-copy", "digest-sharp"}}};
    EXPECT_EQ(KeeperSelector::decideIdentical(group).decisions,
              (std::vector<PhotoDecision>{
                  {"digest-sharp", "sharp", true, Reason::keptSharper, 3},
                  {"digest-copy", "copy", false, Reason::flaggedSmallerCopy, 2},
                  {"digest-favourite", "favourite", true, Reason::keptFavourite, 1}}));
}

// A small copy can read sharper than its original; it is still the original's shot.
TEST(KeeperIdentical, ACopyThatReadsSharperStaysBehindItsOriginal) {
    auto copy = withSharpness("copy", 0, 1);
    copy.pixelWidth /= 2;
    const PhotoGroup group{"g",
                           Kind::identical,
                           {copy, withSharpness("original", 1, 0.4f)},
                           {{"digest-copy", "digest-original"}}};
    EXPECT_EQ(KeeperSelector::decideIdentical(group).decisions,
              (std::vector<PhotoDecision>{
                  {"digest-original", "original", true, Reason::keptOriginal, 2},
                  {"digest-copy", "copy", false, Reason::flaggedSmallerCopy, 1}}));
}

// Sharpness 0 means it could not be measured: the preference order alone decides.
TEST(KeeperIdentical, UnmeasuredSharpnessMovesNothing) {
    const PhotoGroup group{
        "g", Kind::identical, {withSharpness("first", 0, 0), withSharpness("second", 1, 0)}, {}};
    const auto decisions = KeeperSelector::decideIdentical(group).decisions;
    EXPECT_EQ(names(KeeperSelector::decideIdentical(group)),
              (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(decisions[0].reason, Reason::keptEarlierOfIdenticals);
    EXPECT_EQ(decisions[1].reason, Reason::flaggedNearIdentical);
}

TEST(KeeperCopies, OriginalCreditedAndCopiesFollowTheRanking) {
    auto copy = photo("copy", 0);
    copy.pixelWidth /= 2;
    auto album = photo("album-copy", 0);
    album.isInUserAlbum = true;
    const PhotoGroup group{
        "g",
        Kind::moment,
        {album, copy, photo("original", 1)},
        {{"digest-copy", "digest-original"}, {"digest-album-copy", "digest-original"}}};
    const auto decision = KeeperSelector::decide(group);
    EXPECT_EQ(decision.decisions,
              (std::vector<PhotoDecision>{
                  {"digest-original", "original", true, Reason::keptOriginal, 2.55},
                  {"digest-album-copy", "album-copy", true, Reason::keptInAlbum, 0},
                  {"digest-copy", "copy", false, Reason::flaggedSmallerCopy, 0}}));
}

} // namespace
} // namespace keepsift
