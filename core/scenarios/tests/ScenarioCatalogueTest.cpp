#include <gtest/gtest.h>
#include <set>

#include "core/scenarios/Scenario.hpp"

namespace keepsift {
namespace {

float quantised(float value) {
    return FeaturePrint::valueOf(FeaturePrint::quantum(value));
}

Scenario::SeededPhoto firstPhoto(std::string_view name) {
    return Scenario::named(name)->photos.front();
}

TEST(ScenarioCatalogueTest, SixteenNamedEntriesInOrder) {
    const std::vector<std::string> expected{"family-burst",
                                            "one-looks-away",
                                            "different-compositions",
                                            "identical-copies",
                                            "messenger-copy",
                                            "favourite-never-flagged",
                                            "no-faces",
                                            "too-close-to-call",
                                            "nothing-to-review",
                                            "on-battery",
                                            "low-power",
                                            "paused",
                                            "permission-not-asked",
                                            "permission-denied",
                                            "permission-restricted",
                                            "permission-limited"};
    EXPECT_EQ(Scenario::names(), expected);
    const std::vector<size_t> photoCounts{3, 2, 5, 2, 3, 2, 2, 2, 1, 3, 3, 3, 3, 3, 3, 3};
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(Scenario::all()[i].photos.size(), photoCounts[i]) << expected[i];
        EXPECT_EQ(Scenario::all()[i].language, "en");
    }
}

TEST(ScenarioCatalogueTest, NamesAreLookedUpExactly) {
    ASSERT_TRUE(Scenario::named("paused"));
    EXPECT_EQ(Scenario::named("paused")->summary,
              "The user pressed Pause. Photographs wait; not one is flagged.");
    EXPECT_FALSE(Scenario::named("Paused"));
    EXPECT_FALSE(Scenario::named("busyLibrary"));
    EXPECT_FALSE(Scenario::named(""));
}

TEST(ScenarioCatalogueTest, DigestsAreUniqueWithinEveryDefinition) {
    for (const auto& definition : Scenario::all()) {
        std::set<std::string> digests;
        for (const auto& photo : definition.photos)
            EXPECT_TRUE(digests.insert(Scenario::signals(photo).digest).second) << definition.name;
    }
}

TEST(ScenarioCatalogueTest, LaterEntriesReuseTheFamilyBurst) {
    const auto burst = Scenario::named("family-burst")->photos;
    for (const char* name : {"on-battery", "low-power", "paused", "permission-not-asked",
                             "permission-denied", "permission-restricted", "permission-limited"})
        EXPECT_EQ(Scenario::named(name)->photos, burst) << name;
}

TEST(SeededSignalsTest, FirstFamilyBurstPhotograph) {
    const PhotoSignals signals = Scenario::signals(firstPhoto("family-burst"));
    EXPECT_EQ(signals.digest, "scenario-IMG_3377.jpeg");
    EXPECT_EQ(signals.filename, "IMG_3377.jpeg");
    ASSERT_TRUE(signals.capturedAt);
    EXPECT_EQ(signals.capturedAt->iso8601(), "2026-07-14T08:00:00Z");
    EXPECT_EQ(signals.fileSize, 1524096);
    EXPECT_EQ(signals.featurePrintRevision, PhotoSignals::printRevision);
    EXPECT_FALSE(signals.printLongEdge);
    EXPECT_FALSE(signals.isUtility);
    EXPECT_TRUE(signals.hasCameraMetadata);
    EXPECT_TRUE(signals.hasCaptureMetadata);
    ASSERT_EQ(signals.faces.size(), 2u);
    const FaceSignals& face = signals.faces[0];
    EXPECT_DOUBLE_EQ(face.bounds.x, 0.36 - 0.11);
    EXPECT_DOUBLE_EQ(face.bounds.y, 0.55 - 0.11);
    EXPECT_EQ(face.bounds.width, 0.22);
    EXPECT_EQ(face.leftEyeClosed, true);
    EXPECT_EQ(face.rightEyeClosed, true);
    EXPECT_EQ(face.eyeAspectRatio, 0.06f);
    EXPECT_EQ(face.captureQuality, 0.42f);
    EXPECT_EQ(face.yawDegrees, 5.0f);
    EXPECT_EQ(signals.faces[1].eyeAspectRatio, 0.28f);
}

TEST(SeededSignalsTest, PrintComesFromTheMomentHash) {
    // The hash of "kitchen-table" has the digits 938, 480, 1, 226, 840, 729, 608.
    const auto burst = Scenario::named("family-burst")->photos;
    const std::vector<float> expected{1, 1, quantised(0.01f), 1, 1, 1, 1, quantised(0.22f)};
    EXPECT_EQ(Scenario::signals(burst[1]).featurePrint(), expected);
    // The hash of "playground" has the digits 844, 753, 842, 222, 47, 11, 363.
    const auto away = Scenario::named("one-looks-away")->photos;
    const std::vector<float> playground{1, 1, 1, 1, quantised(0.47f), quantised(0.11f), 1, 0};
    EXPECT_EQ(Scenario::signals(away[0]).featurePrint(), playground);
}

TEST(SeededSignalsTest, OneMomentDiffersOnlyInTheVariation) {
    const auto burst = Scenario::named("family-burst")->photos;
    const auto a = Scenario::signals(burst[0]).featurePrint();
    const auto b = Scenario::signals(burst[2]).featurePrint();
    for (size_t i = 0; i < 7; ++i)
        EXPECT_EQ(a[i], b[i]);
    EXPECT_NE(a[7], b[7]);
}

TEST(SeededSignalsTest, EmptyMomentUsesTheStartingValue) {
    Scenario::SeededPhoto photo;
    photo.name = "x.jpeg";
    // 0xcbf29ce484222325 has the digits 37, 875, 890, 476, 724, 916, 210.
    const std::vector<float> expected{quantised(0.37f), 1, 1, 1, 1, 1, 1, 0};
    EXPECT_EQ(Scenario::signals(photo).featurePrint(), expected);
}

TEST(SeededSignalsTest, UnmeasuredEyesAndMissingFaces) {
    Scenario::SeededPhoto photo;
    photo.name = "y.jpeg";
    photo.pixelWidth = 3;
    photo.pixelHeight = 5;
    photo.faces = {{0.2, 0.5, 0.5, std::nullopt, std::nullopt, std::nullopt, std::nullopt}};
    const PhotoSignals signals = Scenario::signals(photo);
    EXPECT_EQ(signals.fileSize, 1); // 15 / 8, truncated
    const FaceSignals& face = signals.faces.at(0);
    EXPECT_FALSE(face.hasSmile);
    EXPECT_FALSE(face.leftEyeClosed);
    EXPECT_FALSE(face.rightEyeClosed);
    EXPECT_FALSE(face.eyeAspectRatio);
    EXPECT_EQ(face.rollDegrees, 0.0f);
    EXPECT_EQ(face.pitchDegrees, 0.0f);
    EXPECT_TRUE(Scenario::signals(firstPhoto("no-faces")).faces.empty());
}

TEST(ScenarioDefinitionTest, EffectiveConditionsFollowTheAccess) {
    const auto denied = *Scenario::named("permission-denied");
    EXPECT_TRUE(denied.conditions.canReadLibrary);
    EXPECT_FALSE(denied.effectiveConditions().canReadLibrary);
    EXPECT_TRUE(Scenario::named("permission-limited")->effectiveConditions().canReadLibrary);
    EXPECT_FALSE(Scenario::named("permission-not-asked")->effectiveConditions().canReadLibrary);
    EXPECT_FALSE(Scenario::named("permission-restricted")->effectiveConditions().canReadLibrary);
}

TEST(ScenarioDefinitionTest, SettingsTakeTheScanningSwitchesAndLanguage) {
    auto definition = *Scenario::named("paused");
    definition.language = "de";
    definition.conditions.mainsOnly = false;
    Settings expected;
    expected.isPaused = true;
    expected.mainsOnly = false;
    expected.language = "de";
    EXPECT_EQ(definition.settings(), expected);
}

} // namespace
} // namespace keepsift
