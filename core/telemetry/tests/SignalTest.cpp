#include <gtest/gtest.h>

#include "core/telemetry/RecordingSink.hpp"

namespace keepsift {
namespace {

Signal::DailyHeartbeat heartbeat() {
    return {LibraryBucket::small,
            GroupBucket::some,
            FlaggedBucket::few,
            NudgeThreshold::at50,
            true,
            false,
            true,
            false,
            true,
            LanguageTag::de};
}

TEST(Signal, EveryCaseHasItsName) {
    EXPECT_EQ(Signal(heartbeat()).name(), "com.ambervale.daily.heartbeat");
    EXPECT_EQ(Signal(Signal::PermissionAnswered{LibraryAuthorization::denied}).name(),
              "com.ambervale.permission.answered");
    EXPECT_EQ(Signal(Signal::ScanCompleted{}).name(), "com.ambervale.scan.completed");
    EXPECT_EQ(Signal(Signal::ReviewSession{}).name(), "com.ambervale.review.session");
    EXPECT_EQ(Signal(Signal::DeleteBatch{}).name(), "com.ambervale.delete.batch");
    EXPECT_EQ(Signal(Signal::SettingChanged{}).name(), "com.ambervale.settings.changed");
    EXPECT_EQ(Signal(Signal::AppLaunched{}).name(), "com.ambervale.app.launched");
}

TEST(Signal, PayloadsCarryOnlyFixedTexts) {
    EXPECT_TRUE(Signal(Signal::AppLaunched{}).payload().empty());
    EXPECT_EQ(Signal(Signal::PermissionAnswered{LibraryAuthorization::notDetermined}).payload(),
              (SignalPayload{{"status", "notDetermined"}}));
    EXPECT_EQ(Signal(heartbeat()).payload(), (SignalPayload{{"library", "1k-5k"},
                                                            {"groups", "10-99"},
                                                            {"flagged", "1-9"},
                                                            {"reviewNudge", "50"},
                                                            {"scanning", "true"},
                                                            {"mainsOnly", "false"},
                                                            {"menuBarVisible", "true"},
                                                            {"launchAtLogin", "false"},
                                                            {"automaticUpdates", "true"},
                                                            {"language", "de"}}));
    EXPECT_EQ(
        Signal(Signal::ScanCompleted{LibraryBucket::empty, GroupBucket::none, FlaggedBucket::lots})
            .payload(),
        (SignalPayload{{"library", "0"}, {"groups", "0"}, {"flagged", "1000+"}}));
    EXPECT_EQ(
        Signal(Signal::ReviewSession{GroupBucket::few, OverrideBucket::many, OverrideBucket::none})
            .payload(),
        (SignalPayload{{"reviewed", "1-9"}, {"overrides", "20+"}, {"resets", "0"}}));
    EXPECT_EQ(Signal(Signal::DeleteBatch{DeleteBucket::lots, SizeBucket::large}).payload(),
              (SignalPayload{{"photos", "200+"}, {"size", "10GB+"}}));
    EXPECT_EQ(Signal(Signal::SettingChanged{SettingName::menuBarIcon}).payload(),
              (SignalPayload{{"setting", "menuBarIcon"}}));
}

TEST(Signal, EqualityComparesCaseAndEveryField) {
    Signal::DailyHeartbeat other = heartbeat();
    other.automaticUpdates = false;
    EXPECT_EQ(Signal(heartbeat()), Signal(heartbeat()));
    EXPECT_NE(Signal(heartbeat()), Signal(other));
    EXPECT_NE(Signal(Signal::ScanCompleted{}), Signal(Signal::AppLaunched{}));
}

TEST(RecordingSink, RecordsNamesInOrderUntilReset) {
    RecordingSink sink;
    EXPECT_TRUE(sink.signalNames().empty());
    sink.send(Signal::AppLaunched{});
    sink.send(Signal::SettingChanged{SettingName::telemetry});
    EXPECT_EQ(sink.signalNames(), (std::vector<std::string>{"com.ambervale.app.launched",
                                                            "com.ambervale.settings.changed"}));
    EXPECT_EQ(sink.signals()[1], Signal(Signal::SettingChanged{SettingName::telemetry}));
    sink.reset();
    EXPECT_TRUE(sink.signals().empty());
    sink.setSignals({Signal::AppLaunched{}});
    EXPECT_EQ(sink.signals().size(), 1u);
    NoopSink().send(Signal::AppLaunched{});
}

} // namespace
} // namespace keepsift
