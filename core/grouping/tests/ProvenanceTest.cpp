#include <cmath>

#include <gtest/gtest.h>

#include "PhotoFactory.hpp"
#include "core/grouping/Provenance.hpp"

namespace keepsift {
namespace {

using sample::photo;
using sample::printAt;
using CopyMap = Provenance::CopyMap;
const auto& standardGrouping = GroupingPolicy::standard;

PhotoSignals smaller(PhotoSignals p, int factor = 2) {
    p.pixelWidth /= factor;
    p.pixelHeight /= factor;
    return p;
}

TEST(CopyDetection, TooFewPhotographs) {
    EXPECT_TRUE(Provenance::copies(std::vector<PhotoSignals>{}, standardGrouping).empty());
    EXPECT_TRUE(Provenance::copies(std::vector{photo("a", 0)}, standardGrouping).empty());
}

TEST(CopyDetection, EqualCameraShotsAreNotCopies) {
    EXPECT_TRUE(
        Provenance::copies(std::vector{photo("a", 0), photo("b", 1)}, standardGrouping).empty());
    auto stripped = photo("b", 1);
    stripped.hasCameraMetadata = false;
    EXPECT_EQ(Provenance::copies(std::vector{photo("a", 0), stripped}, standardGrouping),
              (CopyMap{{"digest-b", "digest-a"}}));
}

TEST(CopyDetection, ZeroAreaOriginalNeedsTheMetadataClause) {
    auto empty = photo("o", 0);
    empty.pixelWidth = empty.pixelHeight = 0;
    const auto candidate = smaller(photo("c", 1));
    EXPECT_FALSE(Provenance::looksLikeCopy(candidate, empty, standardGrouping));
    auto stripped = candidate;
    stripped.hasCameraMetadata = false;
    EXPECT_TRUE(Provenance::looksLikeCopy(stripped, empty, standardGrouping));
    empty.hasCameraMetadata = false;
    EXPECT_FALSE(Provenance::looksLikeCopy(stripped, empty, standardGrouping));
}

TEST(CopyDetection, RatioAndDistanceExactlyAtTheLimitsPass) {
    const auto original = photo("o", 0);
    auto copy = photo("c", 1, printAt(0.07f));
    copy.pixelWidth = 2400; // 2400 x 3000 is 0.6 of 4000 x 3000
    auto policy = standardGrouping;
    policy.duplicateDistance = *original.printDistance(copy);
    EXPECT_TRUE(Provenance::isCopy(copy, original, policy));
    policy.duplicateDistance = std::nextafter(policy.duplicateDistance, 0.0);
    EXPECT_FALSE(Provenance::isCopy(copy, original, policy));
    copy.pixelWidth = 2401;
    EXPECT_FALSE(Provenance::looksLikeCopy(copy, original, standardGrouping));
}

TEST(CopyDetection, RatioLimitOfOneLetsEqualPhotographsBeCopies) {
    // Equal area gives a ratio of 1, which passes a limit of 1 or more.
    auto policy = standardGrouping;
    policy.copyPixelRatio = 1;
    auto a = photo("a", 0), b = photo("b", 1);
    a.hasCameraMetadata = b.hasCameraMetadata = false;
    EXPECT_TRUE(Provenance::isCopy(b, a, policy));
    EXPECT_EQ(Provenance::copies(std::vector{a, b}, policy), (CopyMap{{"digest-b", "digest-a"}}));
    policy.copyPixelRatio = 1.5;
    EXPECT_EQ(Provenance::copies(std::vector{a, b, photo("c", 2)}, policy),
              (CopyMap{{"digest-a", "digest-c"}, {"digest-b", "digest-c"}}));
}

TEST(CopyDetection, WindowIsInclusiveAndEndsTheScan) {
    const auto window = standardGrouping.copyWindow;
    EXPECT_EQ(Provenance::copies(std::vector{photo("a", 0), smaller(photo("b", window))},
                                 standardGrouping)
                  .size(),
              1u);
    EXPECT_TRUE(Provenance::copies(std::vector{photo("a", 0), smaller(photo("b", window + 0.5))},
                                   standardGrouping)
                    .empty());
    // Out of order: the first photograph beyond the window stops the scan for good.
    EXPECT_TRUE(
        Provenance::copies(std::vector{photo("a", 0), photo("far", window + 1, printAt(0.9f)),
                                       smaller(photo("b", 5))},
                           standardGrouping)
            .empty());
}

TEST(CopyDetection, UndatedPhotographsAreNeverLinkedAndStopTheScan) {
    const auto undatedCopy = smaller(photo("u", std::nullopt));
    EXPECT_TRUE(
        Provenance::copies(std::vector{photo("a", 0), undatedCopy}, standardGrouping).empty());
    EXPECT_TRUE(
        Provenance::copies(std::vector{photo("a", 0), photo("u", std::nullopt, printAt(0.9f)),
                                       smaller(photo("b", 5))},
                           standardGrouping)
            .empty());
}

TEST(CopyDetection, IncomparablePrintsAreNeverLinked) {
    auto revision = smaller(photo("b", 1));
    revision.featurePrintRevision = "older";
    auto rendition = smaller(photo("c", 2));
    rendition.printLongEdge = 512;
    auto empty = smaller(photo("d", 3));
    empty.setFeaturePrint({});
    EXPECT_TRUE(
        Provenance::copies(std::vector{photo("a", 0), revision, rendition, empty}, standardGrouping)
            .empty());
}

TEST(CopyDetection, ChainLinksButOnlyDirectCopiesAreMapped) {
    const auto p = photo("p", 0);
    const auto q = smaller(photo("q", 1, printAt(0.08f)));
    auto r = smaller(photo("r", 2, printAt(0.16f)));
    r.hasCameraMetadata = false; // a copy of q by metadata, too far from p
    EXPECT_EQ(Provenance::copies(std::vector{p, q, r}, standardGrouping),
              (CopyMap{{"digest-q", "digest-p"}}));
    auto closer = r;
    closer.setFeaturePrint(printAt(0.11f));
    EXPECT_EQ(Provenance::copies(std::vector{p, q, closer}, standardGrouping),
              (CopyMap{{"digest-q", "digest-p"}, {"digest-r", "digest-p"}}));
}

TEST(CopyDetection, LaterFullSizePhotographIsTheOriginal) {
    EXPECT_EQ(Provenance::copies(std::vector{smaller(photo("early", 0)), photo("late", 60)},
                                 standardGrouping),
              (CopyMap{{"digest-early", "digest-late"}}));
}

TEST(OriginalPreference, KeysInOrder) {
    auto noCamera = photo("a-no-camera", 0);
    noCamera.hasCameraMetadata = false;
    const auto small = smaller(photo("b-small", 0));
    const auto undated = photo("c-undated", std::nullopt);
    const auto later = photo("d-later", 10);
    auto bigFile = photo("e-big-file", 10);
    bigFile.fileSize *= 2;
    const auto sorted = Provenance::sortedByPreference(
        {noCamera, small, undated, later, bigFile, photo("f-earlier", 5)});
    std::vector<std::string> names;
    for (const auto& p : sorted)
        names.push_back(p.filename);
    EXPECT_EQ(names, (std::vector<std::string>{"f-earlier", "e-big-file", "d-later", "c-undated",
                                               "b-small", "a-no-camera"}));
}

TEST(OriginalPreference, FileNamesCompareByTheirComposedForms) {
    // "é" precomposed and decomposed are one name: the sort keeps their order.
    const auto decomposed = photo("e\xCC\x81", 0), composed = photo("\xC3\xA9", 0);
    const auto f = photo("f", 0);
    auto sorted = Provenance::sortedByPreference({decomposed, f, composed});
    EXPECT_EQ(sorted[0].filename, "f");
    EXPECT_EQ(sorted[1].filename, decomposed.filename);
    EXPECT_EQ(sorted[2].filename, composed.filename);
}

} // namespace
} // namespace keepsift
