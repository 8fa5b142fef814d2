#include <fstream>

#include "core/telemetry/TelemetryReporter.hpp"
#include "telemetry/client/Analytics.hpp"
#include "telemetry/client/DefaultSignalPayload.hpp"
#include "telemetry/client/tests/ClientFixture.hpp"
#include "telemetry/client/tests/LoopbackServer.hpp"
#include "telemetry/sink/AnalyticsSink.hpp"

namespace keepsift {
namespace {

using analytics::Analytics;
using analytics::TelemetryManager;

struct AnalyticsSinkTest : analytics::testing::ClientFixture {
    analytics::testing::LoopbackServer server;
    std::shared_ptr<analytics::TelemetryManagerConfiguration> config =
        AnalyticsSink::makeConfiguration("APP-1", false, server.baseURL());

    AnalyticsSinkTest() {
        config->scheduler.set(scheduler);
        config->clock.set(clock);
        config->payloadSources.set(sources());
        config->logHandler.set(logs.handler());
        Analytics::initialize(config);
        pipeline().waitUntilSent();
    }
    ~AnalyticsSinkTest() override { Analytics::removeShared(); }

    analytics::SignalManager& pipeline() {
        return dynamic_cast<analytics::SignalManager&>(TelemetryManager::shared()->signalManager());
    }
    // The parameters the signal itself carried, without the client's defaults.
    std::vector<analytics::ParameterMap> ownParameters() {
        pipeline().waitUntilProcessed();
        std::vector<analytics::ParameterMap> all;
        for (const auto& record : pipeline().signalCache().pop()) {
            analytics::ParameterMap own;
            for (const auto& [key, value] : record.payload.merged())
                if (!analytics::isDefaultParameterKey(key)) own[key] = value;
            all.push_back(own);
        }
        return all;
    }
    // Runs the client's timers for a while, letting every send finish.
    void runFor(double seconds) {
        for (double t = 0; t < seconds; t += 0.5) {
            pipeline().waitUntilProcessed();
            scheduler->advance(0.5);
            pipeline().waitUntilSent();
        }
    }
};

TEST_F(AnalyticsSinkTest, ConfigurationHasNoPrefixesAndStartsSilent) {
    EXPECT_EQ(config->defaultSignalPrefix.get(), std::nullopt);
    EXPECT_EQ(config->defaultParameterPrefix.get(), std::nullopt);
    EXPECT_EQ(config->salt, "");
    EXPECT_EQ(config->ingestNamespace, std::nullopt);
    EXPECT_FALSE(config->testMode());
    EXPECT_TRUE(config->analyticsDisabled.get());
    EXPECT_EQ(AnalyticsSink::makeConfiguration("A", true, std::nullopt)->apiBaseURL,
              "https://analytics.ambervale.com/");
}

TEST_F(AnalyticsSinkTest, VersionAndBuildNumberComeFromTheInformationFile) {
    const auto versions = [](const std::filesystem::path& info) {
        const auto p = analytics::defaultSignalParameters(
            *AnalyticsSink::bundlePayloadSources(info), {}, Date::fromUnix(1.7e9));
        return std::vector<std::string>{p.at("appVersion"), p.at("Analytics.AppInfo.version"),
                                        p.at("buildNumber"), p.at("Analytics.AppInfo.buildNumber"),
                                        p.at("Analytics.AppInfo.versionAndBuildNumber")};
    };
    const auto info = folder.path() / "Info.json";
    std::ofstream(info) << R"({"CFBundleShortVersionString": "3.7.1", "CFBundleVersion": "2041",)"
                        << R"( "CFBundleName": "Keepsift"})";
    EXPECT_EQ(versions(info),
              (std::vector<std::string>{"3.7.1", "3.7.1", "2041", "2041", "3.7.1 (build 2041)"}));
    std::ofstream(info) << R"({"CFBundleShortVersionString": 4, "CFBundleName": "Keepsift"})";
    EXPECT_EQ(versions(info), (std::vector<std::string>{"0", "0", "0", "0", "0 (build 0)"}));
    EXPECT_EQ(versions(folder.path() / "absent.json")[4], "0 (build 0)");
}

TEST_F(AnalyticsSinkTest, SignalsGoOutUnderTheirNamesWithExactlyTheirPayload) {
    AnalyticsSink sink;
    sink.setEnabled(true);
    sink.send(Signal::AppLaunched{});
    sink.send(Signal::DeleteBatch{DeleteBucket::handful, SizeBucket::small});
    const auto own = ownParameters();
    ASSERT_EQ(own.size(), 2u);
    EXPECT_TRUE(own[0].empty());
    EXPECT_EQ(own[1], (analytics::ParameterMap{{"photos", "2-9"}, {"size", "100MB-1GB"}}));
}

TEST_F(AnalyticsSinkTest, PermissionOffMakesNoRequestAtAll) {
    // A backlog from an earlier launch is not sent either.
    analytics::SignalPostBody earlier;
    earlier.appID = "APP-1";
    earlier.type = "earlier";
    earlier.isTestMode = "false";
    std::filesystem::create_directories(backupFile().parent_path());
    std::ofstream(backupFile()) << analytics::encodeBackup(std::vector{earlier});
    Analytics::removeShared();
    Analytics::initialize(config);

    TelemetryReporter reporter(std::make_shared<AnalyticsSink>(), clock, false, {},
                               [](const TelemetryMemory&) {});
    reporter.restore(TelemetryMemory{});
    Settings settings;
    settings.telemetryEnabled = false;
    reporter.setEnabled(settings.telemetryEnabled);
    reporter.send(Signal::AppLaunched{});
    reporter.permissionAnswered(LibraryAuthorization::authorized);
    reporter.reportFirstScan(10, 1, 1);
    reporter.sendHeartbeatIfDue(settings, 10, 1, 1, 86400.0);
    reporter.settingsChanged(Settings{}, settings);
    runFor(700);
    EXPECT_EQ(server.connections(), 0);

    reporter.setEnabled(true);
    reporter.send(Signal::AppLaunched{});
    runFor(15);
    EXPECT_EQ(server.connections(), 1);
}

} // namespace
} // namespace keepsift
