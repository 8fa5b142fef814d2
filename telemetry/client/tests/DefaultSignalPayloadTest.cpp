#include <fstream>
#include <set>

#include "ClientFixture.hpp"
#include "telemetry/client/ClientSuite.hpp"
#include "telemetry/client/DefaultSignalPayload.hpp"

namespace keepsift::analytics {
namespace {

struct DefaultSignalPayloadTest : testing::ClientFixture {
    std::shared_ptr<PayloadSources> given = sources();
    const Date sunday = *Date::parseIso8601("2026-12-06T10:30:00Z");

    DefaultSignalPayloadTest() {
        const auto root = folder.path() / "root";
        std::filesystem::create_directories(root / "etc");
        std::filesystem::create_directories(root / "sys/class/dmi/id");
        std::ofstream(root / "etc/os-release") << "NAME=\"Debian GNU/Linux\"\nVERSION_ID=\"12\"\n";
        std::ofstream(root / "sys/class/dmi/id/product_name") << "Box 9000\n";
    }
    ParameterMap parameters(const SessionStatistics& statistics = {}) {
        return defaultSignalParameters(*given, statistics, sunday);
    }
};

TEST_F(DefaultSignalPayloadTest, BaseParametersDescribeTheAppTheMachineAndTheUser) {
    const ParameterMap p = parameters();
    EXPECT_EQ(p.at("platform"), "Linux");
    EXPECT_EQ(p.at("Analytics.Device.operatingSystem"), "Debian GNU/Linux");
    EXPECT_EQ(p.at("systemVersion"), "Debian GNU/Linux 12.0.0");
    EXPECT_EQ(p.at("Analytics.Device.systemMajorVersion"), "Debian GNU/Linux 12");
    EXPECT_EQ(p.at("majorMinorSystemVersion"), "Debian GNU/Linux 12.0");
    EXPECT_EQ(p.at("Analytics.AppInfo.versionAndBuildNumber"), "1.2 (build 42)");
    EXPECT_EQ(p.at("modelName"), "Box 9000");
    EXPECT_EQ(p.at("isTestFlight"), "false");
    EXPECT_EQ(p.at("Analytics.RunContext.isAppStore"), "true");
    EXPECT_EQ(p.at("locale"), "de_DE");
    EXPECT_EQ(p.at("region"), "DE");
    EXPECT_EQ(p.at("appLanguage"), "de");
    EXPECT_EQ(p.at("preferredLanguage"), "de");
    EXPECT_EQ(p.at("Analytics.SDK.nameAndVersion"), "SwiftSDK 2.14.2");
    EXPECT_EQ(p.at("Analytics.Device.timeZone"), "UTC+1");
    EXPECT_EQ(p.at("Analytics.Device.screenResolutionWidth"), "N/A");
    EXPECT_EQ(p.at("Analytics.UserPreference.colorScheme"), "N/A");
    EXPECT_EQ(p.at("Analytics.UserPreference.layoutDirection"), "N/A");
    for (const auto& [key, value] : p)
        EXPECT_FALSE(key.starts_with("Analytics.Accessibility.")) << key;
    EXPECT_EQ(p.count("extensionIdentifier"), 0u);
}

// The 48 base keys, the calendar's 8 and the history's 5, by their literal names.
TEST_F(DefaultSignalPayloadTest, KeysAreExactlyTheClientsNames) {
    const std::set<std::string> expected{"platform",
                                         "operatingSystem",
                                         "Analytics.Device.platform",
                                         "Analytics.Device.operatingSystem",
                                         "systemVersion",
                                         "Analytics.Device.systemVersion",
                                         "majorSystemVersion",
                                         "Analytics.Device.systemMajorVersion",
                                         "majorMinorSystemVersion",
                                         "Analytics.Device.systemMajorMinorVersion",
                                         "appVersion",
                                         "Analytics.AppInfo.version",
                                         "buildNumber",
                                         "Analytics.AppInfo.buildNumber",
                                         "Analytics.AppInfo.versionAndBuildNumber",
                                         "isSimulator",
                                         "isDebug",
                                         "Analytics.RunContext.isSimulator",
                                         "Analytics.RunContext.isDebug",
                                         "isTestFlight",
                                         "Analytics.RunContext.isTestFlight",
                                         "isAppStore",
                                         "Analytics.RunContext.isAppStore",
                                         "modelName",
                                         "Analytics.Device.modelName",
                                         "architecture",
                                         "Analytics.Device.architecture",
                                         "targetEnvironment",
                                         "Analytics.RunContext.targetEnvironment",
                                         "locale",
                                         "Analytics.RunContext.locale",
                                         "region",
                                         "Analytics.UserPreference.region",
                                         "appLanguage",
                                         "Analytics.RunContext.language",
                                         "preferredLanguage",
                                         "Analytics.UserPreference.language",
                                         "telemetryClientVersion",
                                         "Analytics.SDK.version",
                                         "Analytics.SDK.name",
                                         "Analytics.SDK.nameAndVersion",
                                         "Analytics.Device.orientation",
                                         "Analytics.Device.screenResolutionHeight",
                                         "Analytics.Device.screenResolutionWidth",
                                         "Analytics.Device.screenScaleFactor",
                                         "Analytics.Device.timeZone",
                                         "Analytics.UserPreference.colorScheme",
                                         "Analytics.UserPreference.layoutDirection",
                                         "Analytics.Calendar.dayOfMonth",
                                         "Analytics.Calendar.dayOfWeek",
                                         "Analytics.Calendar.dayOfYear",
                                         "Analytics.Calendar.weekOfYear",
                                         "Analytics.Calendar.isWeekend",
                                         "Analytics.Calendar.monthOfYear",
                                         "Analytics.Calendar.quarterOfYear",
                                         "Analytics.Calendar.hourOfDay",
                                         "Analytics.Acquisition.firstSessionDate",
                                         "Analytics.Retention.averageSessionSeconds",
                                         "Analytics.Retention.distinctDaysUsed",
                                         "Analytics.Retention.distinctDaysUsedLastMonth",
                                         "Analytics.Retention.totalSessionsCount"};
    std::set<std::string> keys;
    for (const auto& [key, value] : parameters())
        keys.insert(key);
    EXPECT_EQ(keys, expected);
}

TEST_F(DefaultSignalPayloadTest, MissingVersionsReadZero) {
    given->appVersion.reset();
    given->buildNumber.reset();
    EXPECT_EQ(parameters().at("Analytics.AppInfo.versionAndBuildNumber"), "0 (build 0)");
}

TEST_F(DefaultSignalPayloadTest, DisplayFactsFromTheShell) {
    DisplayFacts facts;
    facts.mainScreen = DisplayFacts::Screen{1512, 982, 2};
    facts.colorScheme = DisplayFacts::ColorScheme::dark;
    facts.layoutDirection = DisplayFacts::LayoutDirection::rightToLeft;
    facts.accessibility = DisplayFacts::Accessibility{true, false, true};
    given->display->set(facts);
    const ParameterMap p = parameters();
    EXPECT_EQ(p.at("Analytics.Device.screenResolutionHeight"), "982.0");
    EXPECT_EQ(p.at("Analytics.Device.screenResolutionWidth"), "1512.0");
    EXPECT_EQ(p.at("Analytics.Device.screenScaleFactor"), "2.0");
    EXPECT_EQ(p.at("Analytics.UserPreference.colorScheme"), "Dark");
    EXPECT_EQ(p.at("Analytics.UserPreference.layoutDirection"), "rightToLeft");
    EXPECT_EQ(p.at("Analytics.Accessibility.isInvertColorsEnabled"), "true");
    EXPECT_EQ(p.at("Analytics.Accessibility.isReduceMotionEnabled"), "false");
    EXPECT_EQ(doubleText(1.5), "1.5");
}

TEST_F(DefaultSignalPayloadTest, CalendarOfTheLocalMoment) {
    const ParameterMap p = parameters();
    EXPECT_EQ(p.at("Analytics.Calendar.dayOfWeek"), "7");
    EXPECT_EQ(p.at("Analytics.Calendar.isWeekend"), "true");
    EXPECT_EQ(p.at("Analytics.Calendar.dayOfMonth"), "6");
    EXPECT_EQ(p.at("Analytics.Calendar.hourOfDay"), "12");
    EXPECT_EQ(p.at("Analytics.Calendar.monthOfYear"), "12");
    EXPECT_EQ(p.at("Analytics.Calendar.quarterOfYear"), "4");
}

TEST_F(DefaultSignalPayloadTest, UsageHistoryFromTheSessionManager) {
    ParameterMap p = parameters();
    EXPECT_EQ(p.at("Analytics.Acquisition.firstSessionDate"), "2026-12-06");
    EXPECT_EQ(p.at("Analytics.Retention.totalSessionsCount"), "0");
    EXPECT_EQ(p.count("Analytics.Retention.previousSessionSeconds"), 0u);
    SessionStatistics statistics;
    statistics.firstSessionDate = "2026-01-02";
    statistics.averageSessionSeconds = 75;
    statistics.distinctDaysUsed = {"2026-01-02", "2026-11-05", "2026-11-06", "2026-12-06"};
    statistics.totalSessionsCount = 9;
    statistics.previousSessionSeconds = 31;
    p = parameters(statistics);
    EXPECT_EQ(p.at("Analytics.Acquisition.firstSessionDate"), "2026-01-02");
    EXPECT_EQ(p.at("Analytics.Retention.averageSessionSeconds"), "75");
    EXPECT_EQ(p.at("Analytics.Retention.distinctDaysUsed"), "4");
    EXPECT_EQ(p.at("Analytics.Retention.distinctDaysUsedLastMonth"), "2");
    EXPECT_EQ(p.at("Analytics.Retention.totalSessionsCount"), "9");
    EXPECT_EQ(p.at("Analytics.Retention.previousSessionSeconds"), "31");
}

TEST(ClientSuite, NamedAfterTheHashedIdentifier) {
    const std::string name = clientSuiteName("");
    EXPECT_EQ(name, "com.ambervale.analytics.991b7852b855");
}

} // namespace
} // namespace keepsift::analytics
