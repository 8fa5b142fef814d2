#include <atomic>

#include <gtest/gtest.h>

#include "Keepsift/model/tests/ModelRig.hpp"

namespace keepsift::app {
namespace {

using testing::ModelRig;
using testing::RigOptions;

RigOptions firstLaunch() {
    RigOptions options;
    options.authorization = LibraryAuthorization::notDetermined;
    options.seenFirstRun = false;
    return options;
}

Settings storedWith(const std::function<void(Settings&)>& change) {
    Settings settings;
    change(settings);
    return settings;
}

void start(ModelRig& rig) {
    rig.await([&](auto done) { rig.model->start(done); });
}

TEST(ModelStart, AFirstLaunchWaitsForTheFirstRunWindowWithoutPromptingAndPumps) {
    ModelRig rig(firstLaunch());
    start(rig);
    EXPECT_TRUE(rig.onMain([&] { return rig.model->needsFirstRunNotice(); }));
    EXPECT_EQ(rig.library->authorizationRequests(), 0);
    EXPECT_TRUE(rig.onMain([&] { return rig.model->hasPumpTask(); }));
    EXPECT_TRUE(rig.onMain([&] { return rig.model->hasChangesTask(); }));
    EXPECT_EQ(rig.sleeper->request(0), 30.0);
    // No updater while the first-run notice is pending.
    EXPECT_EQ(rig.updaters->made, 0);
    EXPECT_EQ(rig.onMain([&] { return rig.model->libraryStorage(); }), LibraryStorage::local);
}

TEST(ModelStart, ALaterLaunchPromptsOnlyWithScanningOn) {
    RigOptions options;
    options.authorization = LibraryAuthorization::notDetermined;
    options.storedSettings = storedWith([](Settings& s) { s.scanningEnabled = false; });
    ModelRig off(options);
    start(off);
    EXPECT_EQ(off.library->authorizationRequests(), 0);

    options.storedSettings.reset();
    ModelRig on(options);
    start(on);
    EXPECT_EQ(on.library->authorizationRequests(), 1);
    EXPECT_EQ(on.onMain([&] { return on.model->snapshot().authorization; }),
              LibraryAuthorization::authorized);
    // The start reconciled and pumped: the library is measured and grouped.
    EXPECT_EQ(on.onMain([&] { return on.model->snapshot().analysed; }), 4);
    EXPECT_EQ(on.updaters->made, 1);
}

// The shell decides what a start shows once it knows the stored settings, long before the
// library has been read.
// A photograph removed by hand between the first listing and the start of the change stream,
// or during the first pass, would stay counted until the next start.
TEST(ModelStart, TheLibraryIsFollowedFromBeforeItsFirstListing) {
    ModelRig rig;
    std::atomic<bool> listed = false, followedWhenListed = false;
    rig.library->beforeFetch = [&] {
        if (listed.exchange(true)) return;
        followedWhenListed = rig.library->latestStream != nullptr;
    };
    start(rig);
    EXPECT_TRUE(listed);
    EXPECT_TRUE(followedWhenListed);
    EXPECT_TRUE(rig.onMain([&] { return rig.model->hasChangesTask(); }));
}

TEST(ModelStart, TellsWhenTheStoredSettingsAreInBeforeTheLibraryIsRead) {
    RigOptions options;
    options.storedSettings = storedWith([](Settings& s) { s.showsMenuBarIcon = false; });
    ModelRig rig(options);
    std::vector<std::string> heard;
    rig.await([&](auto done) {
        rig.model->start(
            [&heard, done] {
                heard.push_back("started");
                done();
            },
            [&] {
                heard.push_back(rig.model->settings().showsMenuBarIcon ? "shown" : "hidden");
                heard.push_back("known " + std::to_string(rig.model->snapshot().known));
            });
    });
    EXPECT_EQ(heard, (std::vector<std::string>{"hidden", "known 0", "started"}));
}

TEST(ModelStart, LaunchSignalFollowsTheStoredTelemetrySwitch) {
    RigOptions options;
    options.storedSettings = storedWith([](Settings& s) { s.telemetryEnabled = false; });
    ModelRig off(options);
    start(off);
    EXPECT_TRUE(off.signalNames().empty());

    ModelRig on;
    start(on);
    const auto names = on.signalNames();
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.front(), std::string(Signal(Signal::AppLaunched{}).name()));
}

TEST(ModelStart, TelemetryMemoryIsRestoredFromTheStore) {
    ModelRig rig;
    TelemetryMemory memory;
    memory.hasReportedFirstScan = true;
    memory.lastPermission = LibraryAuthorization::authorized;
    rig.store->saveTelemetryMemory(memory);
    start(rig);
    EXPECT_TRUE(rig.reporter->memory().hasReportedFirstScan);
}

struct ModelSettings : ::testing::Test {
    ModelRig rig;
    void SetUp() override { start(rig); }
    Settings current() {
        return rig.onMain([&] { return rig.model->settings(); });
    }
    void apply(const std::function<void(Settings&)>& change) {
        Settings settings = current();
        change(settings);
        rig.await([&](auto done) { rig.model->applySettings(settings, done); });
    }
    size_t settingSignals() {
        size_t count = 0;
        for (const auto& signal : rig.sink->signals())
            if (signal.as<Signal::SettingChanged>()) ++count;
        return count;
    }
};

TEST_F(ModelSettings, EqualSettingsAreStillSavedAndSendNoSignal) {
    const int made = rig.updaters->made;
    rig.values->set(std::nullopt, std::string(KeepsiftStore::settingsKey));
    apply([](Settings&) {});
    EXPECT_EQ(rig.values->data(std::string(KeepsiftStore::settingsKey)), current().toJson().dump());
    EXPECT_EQ(settingSignals(), 0u);
    EXPECT_EQ(rig.updaters->made, made);
    EXPECT_TRUE(rig.loginItem->calls.size() == 1); // only the start's
}

TEST_F(ModelSettings, AChangedSettingIsSavedReadBackAndReported) {
    apply([](Settings& s) { s.reviewNudge = ReviewNudge::at25; });
    EXPECT_EQ(current().reviewNudge, ReviewNudge::at25);
    EXPECT_EQ(rig.store->settings().reviewNudge, ReviewNudge::at25);
    EXPECT_EQ(settingSignals(), 1u);
}

TEST_F(ModelSettings, LaunchAtLoginAloneTouchesTheLoginItem) {
    apply([](Settings& s) { s.mainsOnly = false; });
    EXPECT_EQ(rig.loginItem->calls, std::vector<bool>{false});
    apply([](Settings& s) { s.launchAtLogin = true; });
    EXPECT_EQ(rig.loginItem->calls, (std::vector<bool>{false, true}));
    EXPECT_TRUE(current().launchAtLogin);
}

TEST_F(ModelSettings, ARefusedLoginItemTurnsTheSwitchBackAndStoresIt) {
    rig.loginItem->refuses = true;
    apply([](Settings& s) { s.launchAtLogin = true; });
    EXPECT_FALSE(current().launchAtLogin);
    // The correction is saved by a task of its own.
    rig.values->waitUntil([&] { return !rig.store->settings().launchAtLogin; });
}

TEST_F(ModelSettings, TheLoginItemCorrectionDoesNotUndoALaterChange) {
    rig.loginItem->refuses = true;
    // The correction's save waits at the storage while the user changes the language; both
    // changes end up stored.
    auto disk = std::make_shared<testing::Gate>();
    auto writes = std::make_shared<std::atomic<int>>(0);
    rig.values->beforeSet = [disk, writes](const std::string&) {
        if (++*writes == 2) disk->pass();
    };
    apply([](Settings& s) { s.launchAtLogin = true; });
    disk->awaitArrival();
    auto finished = std::make_shared<std::promise<void>>();
    auto languageApplied = finished->get_future();
    Settings german = current();
    german.language = "de";
    rig.onMain([&] { rig.model->applySettings(german, [finished] { finished->set_value(); }); });
    disk->open();
    ASSERT_EQ(languageApplied.wait_for(testing::patience), std::future_status::ready);
    rig.values->waitUntil([&] { return *writes >= 3; });
    EXPECT_EQ(rig.store->settings().language, "de");
    EXPECT_FALSE(rig.store->settings().launchAtLogin);
    EXPECT_EQ(current().language, "de");
}

// Each change runs on a task of its own; two made at once must still land in the order they
// were made, in the model and in the store alike.
TEST_F(ModelSettings, TheLaterOfTwoQuickChangesAlwaysWins) {
    for (int round = 0; round < 200; ++round) {
        Settings earlier = current();
        earlier.mainsOnly = !earlier.mainsOnly;
        Settings later = earlier;
        later.reviewNudge = round % 2 ? ReviewNudge::at25 : ReviewNudge::at50;
        auto first = std::make_shared<std::promise<void>>();
        auto second = std::make_shared<std::promise<void>>();
        rig.onMain([&] {
            rig.model->applySettings(earlier, [first] { first->set_value(); });
            rig.model->applySettings(later, [second] { second->set_value(); });
        });
        ASSERT_EQ(first->get_future().wait_for(testing::patience), std::future_status::ready);
        ASSERT_EQ(second->get_future().wait_for(testing::patience), std::future_status::ready);
        ASSERT_EQ(current(), later) << "round " << round;
        ASSERT_EQ(rig.store->settings(), later) << "round " << round;
    }
}

TEST_F(ModelSettings, AutomaticUpdatesReachTheUpdater) {
    auto updater = rig.onMain([&] { return rig.model->updater(); });
    ASSERT_TRUE(updater);
    EXPECT_TRUE(updater->automaticallyChecksForUpdates());
    apply([](Settings& s) { s.automaticUpdates = false; });
    EXPECT_FALSE(updater->automaticallyChecksForUpdates());
    EXPECT_EQ(rig.onMain([&] { return rig.model->updater(); }), updater);
}

TEST_F(ModelSettings, ScopeChangesReapplyTheBatchLimit) {
    rig.onMain([&] { rig.model->setLibraryStorage(LibraryStorage::optimised); });
    apply([](Settings& s) { s.scanScope = ScanScope::batches; });
    EXPECT_EQ(rig.engine->batchLimit(),
              (ScanEngine::BatchLimit{AppModel::batchGroupLimit, AppModel::batchByteLimit}));
    rig.engine->setBatchLimit(std::nullopt, std::nullopt);
    apply([](Settings& s) { s.scanScope = ScanScope::batches; });
    EXPECT_EQ(rig.engine->batchLimit(), ScanEngine::BatchLimit{});
    apply([](Settings& s) { s.scanScope = ScanScope::wholeLibrary; });
    EXPECT_EQ(rig.engine->batchLimit(), ScanEngine::BatchLimit{});
}

TEST(ModelScanning, SwitchingScanningOnPromptsOnlyWhileUndecided) {
    RigOptions options;
    options.authorization = LibraryAuthorization::notDetermined;
    options.storedSettings = storedWith([](Settings& s) { s.scanningEnabled = false; });
    ModelRig rig(options);
    start(rig);
    Settings settings = rig.onMain([&] { return rig.model->settings(); });
    settings.scanningEnabled = true;
    rig.await([&](auto done) { rig.model->applySettings(settings, done); });
    EXPECT_EQ(rig.library->authorizationRequests(), 1);
    settings.scanningEnabled = false;
    rig.await([&](auto done) { rig.model->applySettings(settings, done); });
    settings.scanningEnabled = true;
    rig.await([&](auto done) { rig.model->applySettings(settings, done); });
    // Decided now: the library is not asked again.
    EXPECT_EQ(rig.library->authorizationRequests(), 1);
}

TEST(ModelPause, ResumingPumpsAtOnceAndPausingDoesNot) {
    ModelRig rig;
    rig.scanAndPublish();
    rig.await([&](auto done) { rig.model->setPaused(true, done); });
    // A new photograph waits, known to the engine but not measured.
    rig.library->add({keepsift::testing::assetOf({"n1", 20000, 2})});
    rig.engine->handleLibraryChange(change::NeedsRefresh{});
    rig.await([&](auto done) { rig.model->pumpOnce(done); });
    EXPECT_EQ(rig.engine->snapshot().waiting, 1);
    rig.await([&](auto done) { rig.model->setPaused(false, done); });
    EXPECT_EQ(rig.engine->snapshot().waiting, 0);
    EXPECT_FALSE(rig.store->settings().isPaused);
}

TEST(ModelPause, ThePauseSwitchIsAnnouncedBeforeAnythingIsStored) {
    ModelRig rig;
    start(rig);
    bool storedWhenAnnounced = true;
    auto token = rig.onMain([&] {
        return rig.model->observe([&](Property property) {
            if (property == Property::settings && rig.model->settings().isPaused)
                storedWhenAnnounced = rig.store->settings().isPaused;
        });
    });
    rig.await([&](auto done) { rig.model->setPaused(true, done); });
    rig.onMain([&] { token.cancel(); });
    EXPECT_FALSE(storedWhenAnnounced);
}

TEST(ModelFirstRun, AcceptingRecordsTheNoticeThenPromptsAndStartsTheUpdater) {
    ModelRig rig(firstLaunch());
    start(rig);
    bool updaterBeforeSeen = false;
    std::optional<bool> reporterWhenSeen;
    rig.values->beforeSet = [&](const std::string& key) {
        if (key == KeepsiftStore::seenFirstRunNoticeKey)
            reporterWhenSeen = rig.reporter->isEnabled();
    };
    auto token = rig.onMain([&] {
        return rig.model->observe([&](Property property) {
            if (property == Property::updater && !rig.store->hasSeenFirstRunNotice())
                updaterBeforeSeen = true;
        });
    });
    rig.await([&](auto done) { rig.model->completeFirstRun(false, true, done); });
    rig.onMain([&] { token.cancel(); });
    EXPECT_FALSE(updaterBeforeSeen);
    EXPECT_EQ(reporterWhenSeen, false);
    EXPECT_TRUE(rig.store->hasSeenFirstRunNotice());
    EXPECT_FALSE(rig.onMain([&] { return rig.model->needsFirstRunNotice(); }));
    EXPECT_EQ(rig.library->authorizationRequests(), 1);
    EXPECT_EQ(rig.updaters->made, 1);
    EXPECT_FALSE(rig.store->settings().telemetryEnabled);
    // Reconciled under the new access: the library is read and measured, by the step the
    // authorization change brought, by the reconciliation's own, or by the pump task's turn
    // after them when each found the other under way.
    rig.pumpUntil([&] { return rig.model->snapshot().analysed == 4; });
}

TEST(ModelFirstRun, TheWindowIsReleasedOnceChoicesAndAccessAreSettledAndTheScanGoesOn) {
    ModelRig rig(firstLaunch());
    start(rig);
    // Reading the library waits here: a first pass that never ends while the window waits.
    auto reading = std::make_shared<testing::Gate>();
    rig.library->beforeFetch = [reading] { reading->pass(); };
    bool released = true;
    try {
        rig.await([&](auto done) { rig.model->completeFirstRun(true, true, done); });
    } catch (const std::runtime_error&) {
        released = false;
    }
    reading->open();
    ASSERT_TRUE(released) << "the first-run window waited for the first pass";
    EXPECT_TRUE(rig.store->hasSeenFirstRunNotice());
    EXPECT_EQ(rig.library->authorizationRequests(), 1);
    rig.pumpUntil([&] { return rig.model->snapshot().analysed == 4; });
}

} // namespace
} // namespace keepsift::app
