#include "ClientFixture.hpp"
#include "LoopbackServer.hpp"
#include "telemetry/client/Analytics.hpp"
#include "telemetry/sessions/SessionManager.hpp"

namespace keepsift::analytics {
namespace {

// The configuration's own session manager: the process's one, on the installed client's
// suite, clock and scheduler.
struct SharedSessionsTest : testing::ClientFixture {
    std::shared_ptr<TelemetryManagerConfiguration> config =
        configuration("http://127.0.0.1:" + std::to_string(testing::LoopbackServer::closedPort()));

    SharedSessionsTest() {
        Analytics::initialize(config);
        dynamic_cast<SignalManager&>(TelemetryManager::shared()->signalManager()).waitUntilSent();
    }
    ~SharedSessionsTest() override { Analytics::removeShared(); }

    std::vector<std::string> cachedTypes() {
        auto& pipeline = dynamic_cast<SignalManager&>(TelemetryManager::shared()->signalManager());
        pipeline.waitUntilProcessed();
        std::vector<std::string> types;
        for (const auto& record : pipeline.signalCache().pop())
            types.push_back(record.type);
        return types;
    }
    void run(double seconds) {
        clock->advance(seconds);
        scheduler->advance(seconds);
    }
};

TEST_F(SharedSessionsTest, SessionsAreMeasuredIntoTheClientSuiteAndPauseWhenInactive) {
    // The one manager lives as long as the process: only its first session is a new install.
    const bool fresh = sharedSessionManager()->recentSessions().empty();
    run(0.5);
    std::vector<std::string> expected{"Analytics.Session.started"};
    if (fresh) expected.insert(expected.begin(), "Analytics.Acquisition.newInstallDetected");
    EXPECT_EQ(cachedTypes(), expected);
    run(3);
    sharedSessionManager()->waitUntilPersisted();
    EXPECT_EQ(sharedSessionManager()->recentSessions().back().durationInSeconds, 3);
    EXPECT_TRUE(Analytics::suiteDefaults()->dataForKey("recentSessions"));
    if (fresh) {
        EXPECT_EQ(Analytics::suiteDefaults()->dataForKey("firstSessionDate"), "2026-12-05");
        EXPECT_EQ(config->sessionManager.get()->statistics().firstSessionDate, "2026-12-05");
    }

    Analytics::applicationWillResignActive();
    EXPECT_FALSE(sharedSessionManager()->isMeasuring());
    Analytics::applicationDidBecomeActive();
    EXPECT_TRUE(sharedSessionManager()->isMeasuring());
    EXPECT_GE(config->sessionManager.get()->statistics().totalSessionsCount, 1);
}

} // namespace
} // namespace keepsift::analytics
