#include "InstalledClient.hpp"
#include "LoopbackServer.hpp"
#include "telemetry/client/Analytics.hpp"
#include "telemetry/durations/DurationSignalTracker.hpp"

namespace keepsift::analytics {
namespace {

struct CountingSessions : SessionManaging {
    std::atomic<int> started = 0, active = 0, resigned = 0;
    void startNewSession() override { ++started; }
    void applicationDidBecomeActive() override { ++active; }
    void applicationWillResignActive() override { ++resigned; }
};

struct FixedDuration : DurationTracking {
    std::optional<Finished> finish(const std::string& name) override {
        if (name != "timed") return std::nullopt;
        return Finished{1.23456, {{"begun", "yes"}, {"shared", "begin"}}};
    }
};

struct FrontTest : testing::InstalledClient {
    std::shared_ptr<CountingSessions> sessions;

    FrontTest() : FrontTest(std::make_shared<CountingSessions>()) {}
    explicit FrontTest(std::shared_ptr<CountingSessions> counting)
        : InstalledClient(
              "http://127.0.0.1:" + std::to_string(testing::LoopbackServer::closedPort()),
              [&](TelemetryManagerConfiguration& c) { c.sessionManager.set(counting); }),
          sessions(std::move(counting)) {}

    std::vector<std::string> errors() { return logs.messages(LogHandler::LogLevel::error); }
};

TEST_F(FrontTest, ReservedNamesAreWarnedAboutButStillSent) {
    Analytics::signal("analytics.Custom");
    Analytics::signal("AppID");
    Analytics::signal("com.ambervale.app.launched");
    EXPECT_EQ(errors(), (std::vector<std::string>{
                            "Sending signal with reserved prefix 'Analytics.' will cause "
                            "unexpected behavior. Please use another prefix instead.",
                            "Sending signal with reserved name 'AppID' will cause unexpected "
                            "behavior. Please use another name instead."}));
    EXPECT_EQ(cached().size(), 3u);
}

TEST_F(FrontTest, ReservedParameterKeysAreWarnedAboutButStillSent) {
    Analytics::signal("s", {{"locale", "x"}, {"Analytics.Mine", "y"}});
    EXPECT_EQ(errors(), (std::vector<std::string>{
                            "Sending parameter with reserved key prefix 'Analytics.' will cause "
                            "unexpected behavior. Please use another prefix instead.",
                            "Sending parameter with reserved key 'locale' will cause unexpected "
                            "behavior. Please use another key instead."}));
    const auto records = cached();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].payload.merged().at("locale"), "x");
    EXPECT_EQ(records[0].payload.merged().at("Analytics.Mine"), "y");
}

TEST_F(FrontTest, WarningsCanBeSwitchedOffForTheSignalsOwnNameAndKeys) {
    config->reservedParameterWarningsEnabled.set(false);
    Analytics::signal("AppID", {{"locale", "x"}});
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(cached().size(), 1u);
}

TEST_F(FrontTest, DisabledOrPreviewModeDropsEverySignal) {
    config->analyticsDisabled.set(true);
    Analytics::signal("a");
    Analytics::internalSignal("b", {}, std::nullopt, std::nullopt);
    config->analyticsDisabled.set(false);
    config->setSwiftUIPreviewMode(true);
    Analytics::signal("c");
    EXPECT_TRUE(cached().empty());
}

TEST_F(FrontTest, PrefixesAndDefaultParametersDecorateTheSignal) {
    config->defaultSignalPrefix.set("X.");
    config->defaultParameterPrefix.set("p.");
    config->defaultParameters.set([] { return ParameterMap{{"d", "default"}, {"k", "default"}}; });
    Analytics::signal("y", {{"k", "caller"}}, 2.5, "someone");
    const auto records = cached();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].type, "X.y");
    EXPECT_EQ(records[0].floatValue, 2.5);
    const ParameterMap payload = records[0].payload.merged();
    EXPECT_EQ(payload.at("p.d"), "default");
    EXPECT_EQ(payload.at("p.k"), "caller");
    EXPECT_EQ(payload.count("k"), 0u);
}

TEST_F(FrontTest, PromptSendsAreSpacedByTheTransmitInterval) {
    auto manager = TelemetryManager::shared();
    const auto before = scheduler->pendingDelays().size();
    manager->requestPromptSend();
    clock->advance(5);
    manager->requestPromptSend();
    EXPECT_EQ(scheduler->pendingDelays().size(), before + 1);
    EXPECT_EQ(scheduler->pendingDelays().back(), 0.05);
    clock->advance(-86400);
    manager->requestPromptSend();
    EXPECT_EQ(scheduler->pendingDelays().size(), before + 2);
}

TEST_F(FrontTest, StaticPromptSendIsTheSharedManagersAndAsSpaced) {
    const auto before = scheduler->pendingDelays().size();
    TelemetryManager::requestSharedPromptSend();
    clock->advance(5);
    TelemetryManager::requestSharedPromptSend();
    EXPECT_EQ(scheduler->pendingDelays().size(), before + 1);
    Analytics::removeShared();
    TelemetryManager::requestSharedPromptSend(); // no manager: nothing, no crash
}

TEST_F(FrontTest, ForwardingFormsTakeThePublicPathOfTheSharedManager) {
    config->defaultSignalPrefix.set("X.");
    auto manager = TelemetryManager::shared();
    manager->send("a", {{"k", "v"}}, 1.5, "someone");
    TelemetryManager::send("AppID");
    const auto records = cached();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].type, "X.a");
    EXPECT_EQ(records[0].floatValue, 1.5);
    EXPECT_EQ(records[0].payload.merged().at("k"), "v");
    EXPECT_NE(records[0].clientUser, records[1].clientUser);
    EXPECT_EQ(records[1].type, "X.AppID");
    EXPECT_EQ(records[1].floatValue, std::nullopt);

    const std::string first = config->sessionID();
    manager->beginNewSession();
    EXPECT_NE(config->sessionID(), first);
    manager->setDefaultUser("owner");
    EXPECT_EQ(config->defaultUser.get(), "owner");
    manager->setDefaultUser(std::nullopt);
    EXPECT_EQ(config->defaultUser.get(), std::nullopt);
}

TEST_F(FrontTest, ForegroundLongAfterBackgroundStartsANewSession) {
    auto manager = TelemetryManager::shared();
    const std::string first = config->sessionID();
    manager->didEnterBackground();
    clock->advance(299);
    manager->willEnterForeground();
    EXPECT_EQ(config->sessionID(), first);
    manager->didEnterBackground();
    clock->advance(301);
    manager->willEnterForeground();
    EXPECT_NE(config->sessionID(), first);
    EXPECT_EQ(sessions->started, 1);
}

TEST_F(FrontTest, FirstSessionStartsHalfASecondAfterCreation) {
    const std::string first = config->sessionID();
    scheduler->advance(0.4);
    EXPECT_EQ(config->sessionID(), first);
    scheduler->advance(0.1);
    EXPECT_NE(config->sessionID(), first);
    EXPECT_EQ(sessions->started, 1);
    const auto records = cached();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].type, "Analytics.Session.started");
    EXPECT_EQ(records[0].sessionID, config->sessionID());
}

TEST_F(FrontTest, NewSessionWithoutItsSignalOnlyStartsTheSession) {
    config->sendNewSessionBeganSignal.set(false);
    config->setSessionID("S");
    EXPECT_EQ(sessions->started, 1);
    config->sessionStatsEnabled.set(false);
    config->setSessionID("T");
    EXPECT_EQ(sessions->started, 1);
    EXPECT_TRUE(cached().empty());
}

TEST_F(FrontTest, FinishedDurationsCarryMillisecondsRoundedDown) {
    Analytics::setDurationTracker(std::make_shared<FixedDuration>());
    Analytics::finishDurationSignal("never begun");
    Analytics::finishDurationSignal("timed", {{"shared", "finish"}});
    Analytics::setDurationTracker(std::make_shared<DurationTracking>());
    const auto records = cached();
    ASSERT_EQ(records.size(), 1u);
    const ParameterMap payload = records[0].payload.merged();
    EXPECT_EQ(payload.at("Analytics.Signal.durationInSeconds"), "1.234");
    EXPECT_EQ(payload.at("begun"), "yes");
    EXPECT_EQ(payload.at("shared"), "finish");
}

TEST_F(FrontTest, DurationsLeaveOutTheTimeTheShellReportsInactive) {
    Analytics::setDurationTracker(
        std::make_shared<DurationSignalTracker>([clock = clock] { return clock->now(); }));
    Analytics::beginDurationSignal("timed", {{"begun", "yes"}});
    clock->advance(10);
    Analytics::applicationWillResignActive();
    clock->advance(30);
    Analytics::applicationDidBecomeActive();
    clock->advance(10.0016);
    Analytics::finishDurationSignal("timed");
    Analytics::finishDurationSignal("timed");
    const auto records = cached();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].payload.merged().at("Analytics.Signal.durationInSeconds"), "20.001");
}

TEST_F(FrontTest, ShellNotificationsReachTheCacheAndTheSessions) {
    Analytics::signal("before quit");
    pipeline().waitUntilProcessed();
    Analytics::applicationWillTerminate();
    EXPECT_TRUE(std::filesystem::exists(backupFile()));
    Analytics::applicationDidBecomeActive();
    Analytics::applicationWillResignActive();
    EXPECT_EQ(sessions->active, 1);
    EXPECT_EQ(sessions->resigned, 1);
    EXPECT_NE(Analytics::suiteDefaults(), nullptr);
    Analytics::removeShared();
    EXPECT_FALSE(TelemetryManager::hasSharedManager());
    EXPECT_EQ(Analytics::suiteDefaults(), nullptr);
    Analytics::signal("without a manager"); // dropped, no crash
}

TEST(Configuration, DefaultsForAnIdentifierAlone) {
    TelemetryManagerConfiguration c("ID");
    EXPECT_EQ(c.salt, "");
    EXPECT_EQ(c.ingestNamespace, std::nullopt);
    EXPECT_EQ(c.apiBaseURL, "https://analytics.ambervale.com/");
    EXPECT_EQ(c.cacheLimit.get(), 10000);
    EXPECT_EQ(c.transmitInterval.get(), 10.0);
    EXPECT_EQ(c.maxBackoffInterval.get(), 300.0);
    EXPECT_FALSE(c.testMode());
    c.setTestMode(true);
    EXPECT_TRUE(c.testMode());
    EXPECT_EQ(c.sessionID().size(), 36u);
}

TEST(Configuration, PreviewModeFollowsTheEnvironmentUnlessChosen) {
    TelemetryManagerConfiguration c("ID");
    ::setenv("XCODE_RUNNING_FOR_PREVIEWS", "1", 1);
    EXPECT_TRUE(c.swiftUIPreviewMode());
    ::setenv("XCODE_RUNNING_FOR_PREVIEWS", "true", 1);
    EXPECT_FALSE(c.swiftUIPreviewMode());
    ::setenv("XCODE_RUNNING_FOR_PREVIEWS", "0", 1);
    EXPECT_FALSE(c.swiftUIPreviewMode());
    c.setSwiftUIPreviewMode(true);
    EXPECT_TRUE(c.swiftUIPreviewMode());
    ::unsetenv("XCODE_RUNNING_FOR_PREVIEWS");
}

} // namespace
} // namespace keepsift::analytics
