#include "telemetry/client/SignalManager.hpp"
#include "ClientFixture.hpp"
#include "LoopbackServer.hpp"
#include "core/support/Json.hpp"
#include "platform/defaults/FileUserDefaults.hpp"
#include "platform/files/AtomicFile.hpp"
#include "telemetry/client/ClientSuite.hpp"
#include "telemetry/client/CurlUploader.hpp"
#include "telemetry/client/Hashing.hpp"

namespace keepsift::analytics {
namespace {

using testing::LoopbackServer;

// Answers every upload with a transport failure, without any network.
struct FailingUploader : Uploader {
    std::atomic<int> posts = 0;
    UploadResult post(const std::string&, const std::string&, std::stop_token) override {
        ++posts;
        return UploadResult{"offline", std::nullopt, {}};
    }
};

struct FixedEnricher : SignalEnricher {
    ParameterMap values;
    explicit FixedEnricher(ParameterMap v) : values(std::move(v)) {}
    ParameterMap parameters(const std::string&, const std::optional<std::string>&,
                            std::optional<double>) override {
        return values;
    }
};

struct SignalManagerTest : testing::ClientFixture {
    LoopbackServer server;
    std::shared_ptr<TelemetryManagerConfiguration> config = configuration(server.baseURL());
    std::shared_ptr<SignalManager> manager;

    SignalManagerTest() {
        config->urlSession.set(std::make_shared<CurlUploader>(CurlUploader::Timeouts{2, 5}));
        config->defaultUser.set("user-1");
    }

    SignalManager& started() {
        if (!manager) {
            manager = SignalManager::start(config);
            manager->waitUntilSent();
        }
        return *manager;
    }

    void signal(const std::string& type, ParameterMap parameters = {},
                std::optional<std::string> user = std::nullopt) {
        started().processSignal(type, std::move(parameters), std::nullopt, std::move(user), config);
    }

    // Lets the send timer fire once and waits for the send to finish.
    void fireTimer() {
        started().waitUntilProcessed();
        const auto delays = scheduler->pendingDelays();
        ASSERT_EQ(delays.size(), 1u);
        scheduler->advance(delays.back());
        manager->waitUntilSent();
    }

    std::vector<Json> uploaded(std::size_t request) {
        const auto all = server.requests();
        return Json::parse(all.at(request).body).asArray();
    }
};

TEST_F(SignalManagerTest, StartSendsNothingFromAnEmptyCacheAndArmsTheTimer) {
    started();
    EXPECT_EQ(scheduler->pendingDelays(), std::vector<double>{10.0});
    fireTimer();
    EXPECT_EQ(server.connections(), 0);
    EXPECT_EQ(scheduler->pendingDelays(), std::vector<double>{10.0});
}

TEST_F(SignalManagerTest, UploadIsTheExactBatchPostedAsJsonToTheV2Path) {
    signal("com.ambervale.app.launched", {{"x", "1"}});
    fireTimer();
    ASSERT_EQ(server.requests().size(), 1u);
    const auto request = server.requests()[0];
    EXPECT_EQ(request.requestLine, "POST /v2/ HTTP/1.1");
    EXPECT_NE(request.headers.find("Content-Type: application/json"), std::string::npos);

    SignalPostBody expected;
    expected.receivedAt = clock->now();
    expected.appID = "APP-1";
    expected.clientUser = sha256Hex("user-1", "salt");
    expected.sessionID = config->sessionID();
    expected.type = "com.ambervale.app.launched";
    ParameterMap payload = defaultSignalParameters(
        *config->payloadSources.get(), config->sessionManager.get()->statistics(), clock->now());
    payload["x"] = "1";
    expected.payload = Payload(payload);
    expected.isTestMode = "false";
    EXPECT_EQ(request.body, encodeUploadBatch({expected}));
    EXPECT_NE(request.body.find(R"("receivedAt":"2026-12-05T17:10:42+0000")"), std::string::npos);
    EXPECT_EQ(manager->signalCache().count(), 0u);
    EXPECT_EQ(scheduler->pendingDelays(), std::vector<double>{10.0});
}

TEST_F(SignalManagerTest, RejectedBatchIsDroppedAndTheWaitStays) {
    server.answerWith(401);
    signal("a");
    fireTimer();
    EXPECT_EQ(manager->signalCache().count(), 0u);
    EXPECT_TRUE(logs.contains("Dropping 1 signal(s): rejected by server Unauthorized (401)"));
    EXPECT_EQ(scheduler->pendingDelays(), std::vector<double>{10.0});
    EXPECT_EQ(manager->consecutiveFailures(), 0);
}

TEST_F(SignalManagerTest, ServerErrorRequeuesBehindNewerSignalsAndDoublesTheWait) {
    server.answerWith(500);
    signal("old");
    fireTimer();
    EXPECT_TRUE(logs.contains("Failed to send events (status 500), will try again later"));
    EXPECT_EQ(scheduler->pendingDelays(), std::vector<double>{20.0});
    signal("new");
    manager->waitUntilProcessed();
    server.answerWith(200);
    // The failed batch went back behind what was cached meanwhile.
    scheduler->advance(20.0);
    manager->waitUntilSent();
    const auto batch = uploaded(1);
    ASSERT_EQ(batch.size(), 2u);
    EXPECT_EQ(batch[0].at("type").asString(), "old");
    EXPECT_EQ(scheduler->pendingDelays(), std::vector<double>{10.0});
}

TEST_F(SignalManagerTest, EveryTransportFailureKeepsTheBatch) {
    const std::vector<LoopbackServer::Behaviour> failures{
        LoopbackServer::Behaviour::closeMidResponse, LoopbackServer::Behaviour::garbage,
        LoopbackServer::Behaviour::neverAnswer};
    config->urlSession.set(std::make_shared<CurlUploader>(CurlUploader::Timeouts{0.3, 0.3}));
    signal("kept");
    double wait = 10.0;
    for (const auto behaviour : failures) {
        server.behave(behaviour);
        fireTimer();
        wait *= 2;
        EXPECT_EQ(manager->signalCache().count(), 1u);
        EXPECT_EQ(scheduler->pendingDelays(), std::vector<double>{wait});
    }
    EXPECT_EQ(manager->consecutiveFailures(), 3);
    EXPECT_EQ(logs.messages(LogHandler::LogLevel::error).size(), 3u);
}

TEST_F(SignalManagerTest, RefusedConnectionKeepsTheBatch) {
    config = configuration("http://127.0.0.1:" + std::to_string(LoopbackServer::closedPort()));
    signal("kept");
    fireTimer();
    EXPECT_EQ(manager->signalCache().count(), 1u);
    EXPECT_EQ(manager->consecutiveFailures(), 1);
    EXPECT_FALSE(logs.messages(LogHandler::LogLevel::error).empty());
}

TEST_F(SignalManagerTest, BackOffDoublesUpToItsBoundAndASuccessResetsIt) {
    auto failing = std::make_shared<FailingUploader>();
    config->urlSession.set(failing);
    signal("kept");
    std::vector<double> waits;
    for (int attempt = 0; attempt < 7; ++attempt) {
        fireTimer();
        waits.push_back(scheduler->pendingDelays().at(0));
    }
    EXPECT_EQ(waits, (std::vector<double>{20, 40, 80, 160, 300, 300, 300}));
    EXPECT_EQ(failing->posts, 7);
    config->urlSession.set(std::make_shared<CurlUploader>());
    fireTimer();
    EXPECT_EQ(scheduler->pendingDelays(), std::vector<double>{10.0});
    EXPECT_EQ(manager->sendCompletions(), 9);
}

TEST_F(SignalManagerTest, ALongCacheDrainsOneBatchPerInterval) {
    for (int n = 0; n < 150; ++n)
        signal("s" + std::to_string(n));
    fireTimer();
    fireTimer();
    EXPECT_EQ(uploaded(0).size(), 100u);
    EXPECT_EQ(uploaded(1).size(), 50u);
    EXPECT_EQ(uploaded(1).back().at("type").asString(), "s149");
}

TEST_F(SignalManagerTest, CallerParametersWinOverEnrichersAndBothOverDefaults) {
    config->metadataEnrichers.set(
        {std::make_shared<FixedEnricher>(ParameterMap{{"k", "first"}, {"locale", "enricher"}}),
         std::make_shared<FixedEnricher>(ParameterMap{{"k", "second"}, {"e", "1"}})});
    signal("t", {{"k", "caller"}});
    fireTimer();
    const auto batch = uploaded(0);
    const Json& payload = batch[0].at("payload");
    EXPECT_EQ(payload.at("k").asString(), "caller");
    EXPECT_EQ(payload.at("e").asString(), "1");
    EXPECT_EQ(payload.at("locale").asString(), "enricher");
    EXPECT_EQ(payload.at("Analytics.RunContext.locale").asString(), "de_DE");
}

TEST_F(SignalManagerTest, UsersAreHashedWithTheSaltAndTheDefaultUserIsKept) {
    config->defaultUser.set(std::nullopt);
    signal("a", {}, "custom");
    signal("b");
    started().waitUntilProcessed();
    const std::string kept = manager->defaultUserIdentifier();
    EXPECT_EQ(kept.size(), 36u);
    // What the next launch reads: the suite's file in the config folder.
    const FileUserDefaults nextLaunch(FileUserDefaults::standardFile(clientSuiteName("APP-1")));
    EXPECT_EQ(nextLaunch.dataForKey("defaultUserIdentifier"), kept);
    fireTimer();
    const auto batch = uploaded(0);
    EXPECT_EQ(batch[0].at("clientUser").asString(), sha256Hex("custom", "salt"));
    EXPECT_EQ(batch[1].at("clientUser").asString(), sha256Hex(kept, "salt"));
}

TEST_F(SignalManagerTest, QuitWritesTheCacheAndTheNextStartSendsItAtOnce) {
    signal("before quit");
    started().waitUntilProcessed();
    manager->appWillTerminate();
    EXPECT_TRUE(std::filesystem::exists(backupFile()));
    manager.reset();
    EXPECT_EQ(server.connections(), 0);
    manager = SignalManager::start(config);
    manager->waitUntilSent();
    EXPECT_FALSE(std::filesystem::exists(backupFile()));
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(uploaded(0)[0].at("type").asString(), "before quit");
}

TEST_F(SignalManagerTest, QuitWhileAnUploadHangsStillWritesWhatIsCached) {
    server.behave(LoopbackServer::Behaviour::neverAnswer);
    config->urlSession.set(std::make_shared<CurlUploader>()); // 30 seconds: it will not end
    signal("in flight");
    started().waitUntilProcessed();
    scheduler->advance(10.0);
    ASSERT_TRUE(server.waitForRequests(1));
    signal("cached");
    manager->waitUntilProcessed();
    manager->appWillTerminate();
    const auto saved = decodeBackup(*readWholeFile(backupFile()));
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].type, "cached");
}

TEST_F(SignalManagerTest, SignalStormKeepsOnlyTheNewestUpToTheCacheLimit) {
    config->cacheLimit.set(1000);
    config->logHandler.set(logs.handler(LogHandler::LogLevel::info));
    for (int n = 0; n < 100'000; ++n)
        signal("s" + std::to_string(n));
    started().waitUntilProcessed();
    EXPECT_EQ(manager->signalCache().count(), 1000u);
    fireTimer();
    EXPECT_EQ(uploaded(0).front().at("type").asString(), "s99000");
}

TEST_F(SignalManagerTest, NothingIsSentWhileAnalyticsAreDisabled) {
    signal("cached while on");
    started().waitUntilProcessed();
    config->analyticsDisabled.set(true);
    fireTimer();
    fireTimer();
    EXPECT_EQ(server.connections(), 0);
    EXPECT_EQ(manager->signalCache().count(), 1u);
    config->analyticsDisabled.set(false);
    fireTimer();
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(SignalManagerTest, EndpointThatIsNoUrlBehavesAsATransportFailure) {
    config = std::make_shared<TelemetryManagerConfiguration>("APP-1", "salt", server.baseURL(),
                                                             "with space");
    config->scheduler.set(scheduler);
    config->payloadSources.set(sources());
    config->logHandler.set(logs.handler());
    signal("kept");
    fireTimer();
    EXPECT_TRUE(logs.contains("Unable to construct signal API URL for namespace with space"));
    EXPECT_TRUE(logs.contains("Invalid endpoint URL"));
    EXPECT_EQ(manager->signalCache().count(), 1u);
    EXPECT_EQ(server.connections(), 0);
}

TEST_F(SignalManagerTest, ForeignBytesControlCharactersAndHugeValuesGoOutAsValidJson) {
    const std::string huge(100'000, 'v');
    signal("bad\xff type", {{"key\xc3", "value\x01\n/"}, {"huge", huge}});
    fireTimer();
    const auto batch = uploaded(0);
    const Json& record = batch[0];
    EXPECT_EQ(record.at("type").asString(), "bad\xEF\xBF\xBD type");
    const Json& payload = record.at("payload");
    EXPECT_EQ(payload.at("key\xEF\xBF\xBD").asString(), "value\x01\n/");
    EXPECT_EQ(payload.at("huge").asString().size(), SignalManager::longestParameterText);
    EXPECT_NE(server.requests()[0].body.find(R"(value\u0001\n\/)"), std::string::npos);
}

TEST_F(SignalManagerTest, ClockSetBackADayStillCachesAndSends) {
    signal("now");
    started().waitUntilProcessed();
    clock->advance(-86400.0);
    signal("yesterday");
    fireTimer();
    const auto batch = uploaded(0);
    ASSERT_EQ(batch.size(), 2u);
    EXPECT_EQ(batch[1].at("receivedAt").asString(), "2026-12-04T17:10:42+0000");
    EXPECT_EQ(scheduler->pendingDelays(), std::vector<double>{10.0});
}

} // namespace
} // namespace keepsift::analytics
