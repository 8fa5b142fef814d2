#include <gtest/gtest.h>

#include "Keepsift/model/tests/ModelRig.hpp"

namespace keepsift::app {
namespace {

using testing::ModelRig;

EngineSnapshot snapshotWith(LibraryAuthorization access) {
    EngineSnapshot snapshot;
    snapshot.authorization = access;
    return snapshot;
}

struct ModelState : ::testing::Test {
    ModelRig rig;
    AppModel& model = *rig.model;
    std::vector<Property> announced;
    ObservationToken token;

    void SetUp() override {
        token = model.observe([this](Property property) { announced.push_back(property); });
    }
    void setLanguage(const std::string& language) {
        Settings settings = model.settings();
        settings.language = language;
        model.setSettings(settings);
    }
};

TEST_F(ModelState, AccessNoticeIsGermanOnlyForExactlyDe) {
    model.setSnapshot(snapshotWith(LibraryAuthorization::denied));
    const auto english = Strings::text(FixedText::noLibraryAccess, "en");
    for (const std::string language : {"en", "DE", "de-CH", "de_DE", ""}) {
        setLanguage(language);
        EXPECT_EQ(model.accessNotice(), english) << language;
    }
    setLanguage("de");
    EXPECT_EQ(model.accessNotice(), Strings::text(FixedText::noLibraryAccess, "de"));
}

TEST_F(ModelState, AccessNoticeFollowsTheAuthorization) {
    model.setSnapshot(snapshotWith(LibraryAuthorization::notDetermined));
    EXPECT_EQ(model.accessNotice(), std::nullopt);
    model.setSnapshot(snapshotWith(LibraryAuthorization::authorized));
    EXPECT_EQ(model.accessNotice(), std::nullopt);
    model.setSnapshot(snapshotWith(LibraryAuthorization::limited));
    EXPECT_EQ(model.accessNotice(), Strings::text(FixedText::libraryLimited, "en"));
    model.setSnapshot(snapshotWith(LibraryAuthorization::restricted));
    EXPECT_EQ(model.accessNotice(), Strings::text(FixedText::libraryRestricted, "en"));
}

TEST_F(ModelState, FirstPassRunsOnlyWhileReadableAndIncomplete) {
    EngineSnapshot snapshot = snapshotWith(LibraryAuthorization::authorized);
    snapshot.analysed = 3;
    snapshot.known = 10;
    model.setSnapshot(snapshot);
    EXPECT_TRUE(model.isFirstPassRunning());
    snapshot.hasCompletedFirstPass = true;
    model.setSnapshot(snapshot);
    EXPECT_FALSE(model.isFirstPassRunning());
    snapshot.hasCompletedFirstPass = false;
    snapshot.authorization = LibraryAuthorization::denied;
    model.setSnapshot(snapshot);
    EXPECT_FALSE(model.isFirstPassRunning());
    snapshot.authorization = LibraryAuthorization::limited;
    snapshot.analysed = 10;
    model.setSnapshot(snapshot);
    EXPECT_FALSE(model.isFirstPassRunning());
}

TEST_F(ModelState, ICloudChoiceIsAskedOnlyForAnUndecidedOptimisedLibrary) {
    EXPECT_FALSE(model.needsICloudChoice());
    model.setLibraryStorage(LibraryStorage::local);
    EXPECT_FALSE(model.needsICloudChoice());
    model.setLibraryStorage(LibraryStorage::unknown);
    EXPECT_FALSE(model.needsICloudChoice());
    model.setLibraryStorage(LibraryStorage::optimised);
    EXPECT_TRUE(model.needsICloudChoice());
    model.setHasDeferredICloudChoice(true);
    EXPECT_FALSE(model.needsICloudChoice());
    model.setHasDeferredICloudChoice(false);
    Settings settings = model.settings();
    settings.scanScope = ScanScope::batches;
    model.setSettings(settings);
    EXPECT_FALSE(model.needsICloudChoice());
}

TEST_F(ModelState, BatchFullCountsOnlyWhileAnalysing) {
    EngineSnapshot snapshot;
    snapshot.batchIsFull = true;
    snapshot.analysed = 4;
    snapshot.known = 5;
    model.setSnapshot(snapshot);
    EXPECT_TRUE(model.batchFullWhileAnalysing());
    snapshot.analysed = 5;
    model.setSnapshot(snapshot);
    EXPECT_FALSE(model.batchFullWhileAnalysing());
}

TEST_F(ModelState, NudgeFollowsTheThreshold) {
    EngineSnapshot snapshot;
    snapshot.review.flaggedCount = 1'000'000;
    model.setSnapshot(snapshot);
    Settings settings = model.settings();
    settings.reviewNudge = ReviewNudge::never;
    model.setSettings(settings);
    EXPECT_FALSE(model.shouldNudge());
    settings.reviewNudge = ReviewNudge::at25;
    model.setSettings(settings);
    snapshot.review.flaggedCount = 24;
    model.setSnapshot(snapshot);
    EXPECT_FALSE(model.shouldNudge());
    snapshot.review.flaggedCount = 25;
    model.setSnapshot(snapshot);
    EXPECT_TRUE(model.shouldNudge());
}

TEST_F(ModelState, OnlyRealChangesAreAnnounced) {
    model.setSettings(model.settings());
    model.setSnapshot(model.snapshot());
    model.setReadiness(model.readiness());
    model.setIsWorking(false);
    model.setNotice(std::nullopt);
    model.setLibraryStorage(std::nullopt);
    model.setHasDeferredICloudChoice(false);
    EXPECT_TRUE(announced.empty());

    model.setNotice(std::string());
    model.setNotice(std::string());
    model.setNotice(std::nullopt);
    EXPECT_EQ(announced, (std::vector{Property::notice, Property::notice}));

    announced.clear();
    model.setUpdater(nullptr);
    model.setUpdater(nullptr);
    model.writePausedInPlace(false);
    EXPECT_EQ(announced, (std::vector{Property::updater, Property::updater, Property::settings}));
}

TEST_F(ModelState, ACancelledObserverHearsNothingMore) {
    int heard = 0;
    ObservationToken second;
    // The first observer cancels the second while the change is being told.
    token = model.observe([&](Property) { second.cancel(); });
    second = model.observe([&](Property) { ++heard; });
    model.setIsWorking(true);
    EXPECT_EQ(heard, 0);
}

TEST_F(ModelState, PumpIntervalFollowsReadinessQueueAndWork) {
    EXPECT_EQ(model.pumpInterval(), 30.0);
    model.setIsWorking(true);
    EXPECT_EQ(model.pumpInterval(), 3.0);
    model.setIsWorking(false);
    EngineSnapshot snapshot;
    snapshot.waiting = 1;
    model.setSnapshot(snapshot);
    EXPECT_EQ(model.pumpInterval(), 3.0);
    model.setReadiness(QueueReadiness::paused);
    EXPECT_EQ(model.pumpInterval(), 30.0);
}

} // namespace
} // namespace keepsift::app
