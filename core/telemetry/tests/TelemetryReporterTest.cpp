#include <gtest/gtest.h>

#include "core/telemetry/RecordingSink.hpp"
#include "core/telemetry/TelemetryReporter.hpp"

namespace keepsift {
namespace {

struct TelemetryReporterTest : testing::Test {
    std::shared_ptr<RecordingSink> sink = std::make_shared<RecordingSink>();
    std::shared_ptr<MutableClock> clock = std::make_shared<MutableClock>("2026-12-05T17:10:42Z");
    std::vector<TelemetryMemory> persisted;
    std::function<void()> duringPersist;
    TelemetryReporter reporter{sink, clock, true, TelemetryMemory{},
                               [this](const TelemetryMemory& memory) {
                                   persisted.push_back(memory);
                                   if (duringPersist) duringPersist();
                               }};

    bool heartbeat(const Settings& settings = {}) {
        return reporter.sendHeartbeatIfDue(settings, 1200, 12, 3, 86400.0);
    }
};

TEST_F(TelemetryReporterTest, SendGoesToTheSinkOnlyWhenEnabled) {
    reporter.send(Signal::AppLaunched{});
    reporter.setEnabled(false);
    EXPECT_FALSE(reporter.isEnabled());
    reporter.send(Signal::AppLaunched{});
    EXPECT_EQ(sink->signals().size(), 1u);
    EXPECT_TRUE(persisted.empty());
}

TEST(TelemetryReporterSink, LearnsThePermissionAtCreationAndOnEveryChange) {
    struct FlagSink : NoopSink {
        std::vector<bool> flags;
        void setEnabled(bool enabled) override { flags.push_back(enabled); }
    };
    auto sink = std::make_shared<FlagSink>();
    TelemetryReporter reporter(sink, std::make_shared<FixedClock>(Date{}), false, {});
    reporter.setEnabled(true);
    reporter.setEnabled(false);
    EXPECT_EQ(sink->flags, (std::vector<bool>{false, true, false}));
}

TEST_F(TelemetryReporterTest, FirstHeartbeatIsPersistedBeforeItIsSent) {
    duringPersist = [&] { EXPECT_TRUE(sink->signals().empty()); };
    Settings settings;
    settings.language = "DE";
    settings.reviewNudge = ReviewNudge::at1000;
    ASSERT_TRUE(heartbeat(settings));
    ASSERT_EQ(persisted.size(), 1u);
    EXPECT_EQ(persisted[0].lastHeartbeat, clock->now());
    const std::vector<Signal> signals = sink->signals();
    ASSERT_EQ(signals.size(), 1u);
    const auto* sent = signals[0].as<Signal::DailyHeartbeat>();
    ASSERT_NE(sent, nullptr);
    EXPECT_EQ(*sent, (Signal::DailyHeartbeat{LibraryBucket::small, GroupBucket::some,
                                             FlaggedBucket::few, NudgeThreshold::at1000, true, true,
                                             true, false, true, LanguageTag::de}));
}

TEST_F(TelemetryReporterTest, HeartbeatIsDueExactlyOneIntervalLater) {
    ASSERT_TRUE(heartbeat());
    clock->advance(86399.9);
    EXPECT_FALSE(heartbeat());
    clock->advance(0.1);
    EXPECT_TRUE(heartbeat());
    EXPECT_EQ(sink->signals().size(), 2u);
}

TEST_F(TelemetryReporterTest, ClockSetBackADayWaitsUntilTheLastHeartbeatIsPassedByTheInterval) {
    ASSERT_TRUE(heartbeat());
    clock->advance(-86400.0);
    EXPECT_FALSE(heartbeat());
    clock->advance(86400.0 + 86399.0);
    EXPECT_FALSE(heartbeat());
    clock->advance(1.0);
    EXPECT_TRUE(heartbeat());
}

TEST_F(TelemetryReporterTest, HeartbeatDueWhileDisabledIsSpentNotMadeUp) {
    reporter.setEnabled(false);
    EXPECT_FALSE(heartbeat());
    EXPECT_TRUE(sink->signals().empty());
    ASSERT_EQ(persisted.size(), 1u);
    EXPECT_EQ(reporter.memory().lastHeartbeat, clock->now());
    reporter.setEnabled(true);
    clock->advance(3600);
    EXPECT_FALSE(heartbeat());
    EXPECT_TRUE(sink->signals().empty());
}

TEST_F(TelemetryReporterTest, OverlappingHeartbeatsSendOne) {
    bool nested = true;
    duringPersist = [&] {
        if (std::exchange(nested, false)) {
            EXPECT_FALSE(heartbeat());
        }
    };
    EXPECT_TRUE(heartbeat());
    EXPECT_EQ(sink->signals().size(), 1u);
}

TEST_F(TelemetryReporterTest, DisablingDuringThePersistCallStopsTheSignal) {
    duringPersist = [&] { reporter.setEnabled(false); };
    reporter.permissionAnswered(LibraryAuthorization::authorized);
    EXPECT_TRUE(reporter.reportFirstScan(10, 1, 1));
    EXPECT_FALSE(heartbeat());
    EXPECT_TRUE(sink->signals().empty());
    EXPECT_EQ(persisted.size(), 3u);
}

TEST_F(TelemetryReporterTest, PermissionIsReportedOnlyWhenItChanges) {
    reporter.permissionAnswered(LibraryAuthorization::denied);
    reporter.permissionAnswered(LibraryAuthorization::denied);
    EXPECT_EQ(sink->signals().size(), 1u);
    EXPECT_EQ(persisted.size(), 1u);
    reporter.permissionAnswered(LibraryAuthorization::authorized);
    EXPECT_EQ(sink->signals(),
              (std::vector<Signal>{Signal::PermissionAnswered{LibraryAuthorization::denied},
                                   Signal::PermissionAnswered{LibraryAuthorization::authorized}}));
    EXPECT_EQ(reporter.memory().lastPermission, LibraryAuthorization::authorized);
}

TEST_F(TelemetryReporterTest, PermissionHandledWhileDisabledIsNeverReportedLater) {
    reporter.setEnabled(false);
    reporter.permissionAnswered(LibraryAuthorization::limited);
    reporter.setEnabled(true);
    reporter.permissionAnswered(LibraryAuthorization::limited);
    EXPECT_TRUE(sink->signals().empty());
    EXPECT_EQ(persisted.size(), 1u);
}

TEST_F(TelemetryReporterTest, FirstScanIsHandledOnceAcrossRestoredMemory) {
    EXPECT_TRUE(reporter.reportFirstScan(999, 0, 1'000));
    EXPECT_FALSE(reporter.reportFirstScan(999, 0, 1'000));
    EXPECT_EQ(sink->signals(), (std::vector<Signal>{Signal::ScanCompleted{
                                   LibraryBucket::tiny, GroupBucket::none, FlaggedBucket::lots}}));
    TelemetryReporter next(sink, clock, true, TelemetryMemory{});
    next.restore(persisted.back());
    EXPECT_FALSE(next.reportFirstScan(5, 5, 5));
    EXPECT_EQ(sink->signals().size(), 1u);
}

TEST_F(TelemetryReporterTest, RestoreNeitherPersistsNorSends) {
    TelemetryMemory memory;
    memory.lastPermission = LibraryAuthorization::denied;
    reporter.restore(memory);
    EXPECT_EQ(reporter.memory(), memory);
    reporter.permissionAnswered(LibraryAuthorization::denied);
    EXPECT_TRUE(persisted.empty());
    EXPECT_TRUE(sink->signals().empty());
}

TEST_F(TelemetryReporterTest, WithoutPersistClosureTheMemoryLivesInTheReporter) {
    TelemetryReporter plain(sink, clock, true, TelemetryMemory{});
    EXPECT_TRUE(plain.sendHeartbeatIfDue({}, 0, 0, 0, 86400.0));
    EXPECT_EQ(plain.memory().lastHeartbeat, clock->now());
}

TEST_F(TelemetryReporterTest, ChangedSettingsListInTheirFixedOrder) {
    Settings before, after;
    after.isPaused = true;
    EXPECT_TRUE(TelemetryReporter::changedSettings(before, after).empty());
    after.language = "de";
    after.automaticUpdates = false;
    EXPECT_EQ(TelemetryReporter::changedSettings(before, after),
              (std::vector<SettingName>{SettingName::updates, SettingName::language}));
    Settings all = before;
    all.scanningEnabled = false;
    all.mainsOnly = false;
    all.reviewNudge = ReviewNudge::never;
    all.scanScope = ScanScope::batches;
    all.showsMenuBarIcon = false;
    all.launchAtLogin = true;
    all.automaticUpdates = false;
    all.telemetryEnabled = false;
    all.language = "fr";
    const auto names = TelemetryReporter::changedSettings(before, all);
    EXPECT_EQ(names.size(), 9u);
    EXPECT_TRUE(std::equal(names.begin(), names.end(), allCases<SettingName>().begin()));
    Settings scoped = before;
    scoped.scanScope = ScanScope::wholeLibrary;
    Settings other = before;
    other.scanScope = ScanScope::batches;
    EXPECT_EQ(TelemetryReporter::changedSettings(scoped, other),
              (std::vector<SettingName>{SettingName::scanScope}));
}

TEST_F(TelemetryReporterTest, SettingsChangesAreSentOnlyWhileEnabled) {
    Settings off;
    off.telemetryEnabled = false;
    const Settings on;
    reporter.setEnabled(true);
    reporter.settingsChanged(off, on);
    EXPECT_EQ(sink->signals(),
              (std::vector<Signal>{Signal::SettingChanged{SettingName::telemetry}}));
    reporter.setEnabled(false);
    reporter.settingsChanged(on, off);
    EXPECT_EQ(sink->signals().size(), 1u);
    EXPECT_TRUE(persisted.empty());
}

TEST(TelemetryMemoryJson, RequiresOnlyTheFirstScanFlag) {
    const auto memory = TelemetryMemory::fromJson(Json::parse(R"({"hasReportedFirstScan":true})"),
                                                  DateForm::secondsSince2001);
    EXPECT_EQ(memory.lastHeartbeat, std::nullopt);
    EXPECT_EQ(memory.lastPermission, std::nullopt);
    EXPECT_THROW(TelemetryMemory::fromJson(Json::parse(R"({"lastPermission":"denied"})"),
                                           DateForm::secondsSince2001),
                 JsonError);
}

} // namespace
} // namespace keepsift
