#include <fstream>
#include <gtest/gtest.h>

#include "MemoryDefaults.hpp"
#include "core/model/Clock.hpp"
#include "platform/defaults/FileUserDefaults.hpp"
#include "platform/files/tests/TemporaryFolder.hpp"
#include "telemetry/client/tests/ManualScheduler.hpp"
#include "telemetry/device/CalendarFacts.hpp"
#include "telemetry/sessions/SessionManager.hpp"
#include "telemetry/sessions/SuiteValues.hpp"

namespace keepsift::analytics {
namespace {

constexpr double day = 86400.0;

struct SessionManagerTest : ::testing::Test {
    std::shared_ptr<UserDefaults> defaults = std::make_shared<testing::MemoryDefaults>();
    std::shared_ptr<testing::ManualScheduler> scheduler =
        std::make_shared<testing::ManualScheduler>();
    // 2023-11-14T22:13:20.9Z: 1700000000.9 s since 1970.
    std::shared_ptr<MutableClock> clock =
        std::make_shared<MutableClock>(Date::fromUnix(1700000000.9));
    std::vector<std::pair<std::string, ParameterMap>> signals;
    std::vector<std::string> logs; // error lines
    std::vector<std::string> debugLogs;
    bool withStore = true;

    std::shared_ptr<SessionManager> make() {
        SessionManagerServices services;
        services.defaults = [this] { return withStore ? defaults : nullptr; };
        services.now = [this] { return clock->now(); };
        services.scheduler = [this] { return scheduler; };
        services.dayText = [](Date d) { return fullDateText(d, 3600); };
        services.sendSignal = [this](const std::string& n, const ParameterMap& p) {
            signals.emplace_back(n, p);
        };
        services.log = [this](LogHandler::LogLevel level, const std::string& m) {
            (level == LogHandler::LogLevel::error ? logs : debugLogs).push_back(m);
        };
        return SessionManager::make(services);
    }
    // Time passes with the application in front: the timer fires every second.
    void run(double seconds) {
        clock->advance(seconds);
        scheduler->advance(seconds);
    }
    std::string stored(const std::string& key) {
        return defaults->dataForKey(key).value_or("<absent>");
    }
    void storeHistory(const std::string& json) { defaults->setObject(json, "recentSessions"); }
    std::string startsAgo(std::initializer_list<double> ages) {
        std::string json = "[";
        for (double age : ages)
            json +=
                (json.size() > 1 ? "," : "") + std::string("{\"st\":") +
                std::to_string(static_cast<long long>(clock->now().adding(-age).unixSeconds())) +
                ",\"dn\":5}";
        return json + "]";
    }
};

TEST_F(SessionManagerTest, SessionIsStoredOnceItReachesASecondThenUpdatedInPlace) {
    auto sessions = make();
    sessions->startNewSession();
    run(0.5);
    sessions->waitUntilPersisted();
    EXPECT_EQ(stored("recentSessions"), "<absent>");
    run(0.5);
    sessions->waitUntilPersisted();
    EXPECT_EQ(stored("recentSessions"), R"([{"st":1700000000,"dn":1}])");
    run(41);
    sessions->waitUntilPersisted();
    EXPECT_EQ(stored("recentSessions"), R"([{"st":1700000000,"dn":42}])");
    EXPECT_EQ(sessions->recentSessions().size(), 1u);
    EXPECT_EQ(scheduler->pendingDelays(), std::vector<double>{1.0});
}

TEST_F(SessionManagerTest, EmptyHistoryAnnouncesANewInstallUntilASessionReachedASecond) {
    auto sessions = make();
    sessions->startNewSession();
    run(0.5);
    sessions->startNewSession();
    ASSERT_EQ(signals.size(), 2u);
    EXPECT_EQ(signals[0].first, "Analytics.Acquisition.newInstallDetected");
    EXPECT_EQ(signals[0].second,
              (ParameterMap{{"Analytics.Acquisition.firstSessionDate", "2023-11-14"}}));
    run(1);
    sessions->waitUntilPersisted();
    sessions->startNewSession();
    EXPECT_EQ(signals.size(), 2u);
    sessions->waitUntilPersisted();
    EXPECT_EQ(stored("firstSessionDate"), "2023-11-14");
    EXPECT_EQ(sessions->statistics().firstSessionDate, "2023-11-14");
}

TEST_F(SessionManagerTest, AgedSessionsAreDroppedAndCountedOnceOverQuickLaunches) {
    defaults->setObject("4", "deletedSessionsCount");
    // Exactly 90 days old is dropped; a moment younger stays.
    storeHistory(startsAgo({100 * day, 90 * day, 90 * day - 1, 10}));
    make()->waitUntilPersisted();
    EXPECT_EQ(stored("deletedSessionsCount"), "6");
    auto second = make(); // ends before any store
    second->waitUntilPersisted();
    EXPECT_EQ(stored("deletedSessionsCount"), "6");
    EXPECT_EQ(second->recentSessions().size(), 2u);
    EXPECT_EQ(second->totalSessionsCount(), 8);
    // Ageing is the ordinary course: a debug line, no error.
    EXPECT_TRUE(logs.empty());
    EXPECT_EQ(debugLogs.size(), 1u);
}

TEST_F(SessionManagerTest, HistoryOlderThanNinetyDaysLeavesANewInstall) {
    storeHistory(startsAgo({200 * day, 91 * day}));
    auto sessions = make();
    sessions->startNewSession();
    sessions->waitUntilPersisted();
    EXPECT_EQ(signals.size(), 1u);
    EXPECT_EQ(stored("deletedSessionsCount"), "2");
    EXPECT_EQ(stored("recentSessions"), "[]");
}

TEST_F(SessionManagerTest, StatisticsFollowTheHistory) {
    auto none = make();
    EXPECT_EQ(none->averageSessionSeconds(), -1);
    EXPECT_FALSE(none->statistics().previousSessionSeconds);

    storeHistory(R"([{"st":1699999000,"dn":42}])");
    EXPECT_EQ(make()->averageSessionSeconds(), 42);

    defaults->setObject("4", "deletedSessionsCount");
    storeHistory(
        R"([{"st":1699990000,"dn":10},{"st":1699995000.5,"dn":21},{"st":1699999000,"dn":5}])");
    auto three = make();
    three->waitUntilPersisted();
    EXPECT_EQ(three->averageSessionSeconds(), 15);
    EXPECT_EQ(three->totalSessionsCount(), 7);
    const SessionStatistics statistics = three->statistics();
    EXPECT_EQ(statistics.previousSessionSeconds, 21);
    EXPECT_EQ(statistics.totalSessionsCount, 7);
    EXPECT_EQ(statistics.averageSessionSeconds, 15);
    EXPECT_EQ(statistics.distinctDaysUsed, std::vector<std::string>{"2023-11-14"});
}

TEST_F(SessionManagerTest, EachCreationRecordsItsDayOnce) {
    make()->waitUntilPersisted();
    make()->waitUntilPersisted();
    clock->advance(2 * day);
    auto later = make();
    later->waitUntilPersisted();
    EXPECT_EQ(stored("distinctDaysUsed"), R"(["2023-11-14","2023-11-16"])");
    EXPECT_EQ(later->distinctDaysUsedCount("2023-11-15"), 1u);
    EXPECT_EQ(later->distinctDaysUsedCount("2023-11-14"), 2u);
    // A running process adds no day at midnight.
    clock->advance(day);
    later->startNewSession();
    later->waitUntilPersisted();
    EXPECT_EQ(later->distinctDaysUsed().size(), 2u);
}

TEST_F(SessionManagerTest, InactiveTimeIsNotCountedAndTheTimerStopsMeanwhile) {
    auto sessions = make();
    sessions->startNewSession();
    run(10);
    sessions->applicationWillResignActive();
    EXPECT_FALSE(sessions->isMeasuring());
    EXPECT_TRUE(scheduler->pendingDelays().empty());
    run(500);
    sessions->applicationDidBecomeActive();
    run(5.5);
    sessions->applicationWillResignActive();
    sessions->applicationWillResignActive();
    sessions->waitUntilPersisted();
    EXPECT_EQ(sessions->recentSessions().at(0).durationInSeconds, 15);
}

TEST_F(SessionManagerTest, RepeatedStartsAndActivationsKeepOneTimer) {
    auto sessions = make();
    sessions->startNewSession();
    sessions->startNewSession();
    for (int i = 0; i < 3; ++i) {
        sessions->applicationWillResignActive();
        sessions->applicationDidBecomeActive();
        sessions->applicationDidBecomeActive();
    }
    EXPECT_EQ(scheduler->pendingDelays(), std::vector<double>{1.0});
    run(3);
    EXPECT_EQ(scheduler->pendingDelays(), std::vector<double>{1.0});
}

// A tray application starts inactive (the shell says so at start) and may run a whole launch
// without a window ever becoming active.
TEST_F(SessionManagerTest, LaunchesWithoutActivationAreMeasuredAndAnnounceOneInstall) {
    {
        auto first = make();
        first->applicationWillResignActive();
        first->startNewSession();
        EXPECT_TRUE(first->isMeasuring());
        run(30);
        first->waitUntilPersisted();
    }
    EXPECT_EQ(stored("recentSessions"), R"([{"st":1700000000,"dn":30}])");
    clock->advance(day);
    auto second = make();
    second->applicationWillResignActive();
    second->startNewSession();
    second->waitUntilPersisted();
    ASSERT_EQ(signals.size(), 1u);
    EXPECT_EQ(signals[0].first, "Analytics.Acquisition.newInstallDetected");
    EXPECT_EQ(stored("firstSessionDate"), "2023-11-14");
    EXPECT_EQ(second->recentSessions().size(), 1u);
    EXPECT_EQ(second->totalSessionsCount(), 1);
}

TEST_F(SessionManagerTest, WithoutAStoreTheManagerStillMeasuresInMemory) {
    withStore = false;
    auto sessions = make();
    sessions->startNewSession();
    run(2);
    sessions->waitUntilPersisted();
    sessions->startNewSession();
    EXPECT_EQ(signals.size(), 1u);
    EXPECT_EQ(sessions->totalSessionsCount(), 1);
    EXPECT_TRUE(sessions->distinctDaysUsed().empty());
    EXPECT_FALSE(sessions->statistics().firstSessionDate);
}

struct BadHistory : SessionManagerTest {
    // Loads the stored text and starts a session; one new-install signal at most.
    std::shared_ptr<SessionManager> load(const std::string& text) {
        storeHistory(text);
        auto sessions = make();
        sessions->startNewSession();
        sessions->startNewSession();
        sessions->waitUntilPersisted();
        return sessions;
    }
};

TEST_F(BadHistory, UnreadableOrMistypedHistoryIsAFreshOneWithOneLogLine) {
    for (const std::string text :
         {"not json", "", R"({"st":1,"dn":2})", R"(["x"])", R"([{"st":"1699999000","dn":1}])",
          R"([{"st":1699999000,"dn":1.5}])", R"([{"st":1699999000}])", R"([{"st":1e300,"dn":1}])",
          R"([{"st":-1e20,"dn":1}])"}) {
        SCOPED_TRACE(text);
        logs.clear();
        signals.clear();
        defaults->setObject("3", "deletedSessionsCount");
        auto sessions = load(text);
        EXPECT_TRUE(sessions->recentSessions().empty());
        EXPECT_EQ(logs.size(), 1u);
        EXPECT_EQ(signals.size(), 2u); // each start of an empty history, nothing more
        EXPECT_EQ(stored("deletedSessionsCount"), "3");
        run(1);
        sessions->waitUntilPersisted();
        EXPECT_EQ(stored("recentSessions").substr(0, 7), "[{\"st\":");
    }
}

TEST_F(BadHistory, AValueOfAnotherKindInTheSuiteReadsAsNoHistory) {
    keepsift::testing::TemporaryFolder folder;
    const auto file = folder.path() / "defaults.json";
    std::filesystem::create_directories(folder.path());
    std::ofstream(file)
        << R"({"recentSessions":17,"deletedSessionsCount":"!!","distinctDaysUsed":"e30="})";
    defaults = std::make_shared<FileUserDefaults>(file);
    auto sessions = make();
    sessions->startNewSession();
    sessions->waitUntilPersisted();
    EXPECT_TRUE(sessions->recentSessions().empty());
    EXPECT_EQ(sessions->totalSessionsCount(), 0);
    EXPECT_EQ(sessions->distinctDaysUsed(), std::vector<std::string>{"2023-11-14"});
    EXPECT_EQ(signals.size(), 1u);
}

TEST_F(BadHistory, FutureSessionsAreDroppedAndCounted) {
    auto sessions = load(startsAgo({-400 * day, 20, -2 * day}));
    EXPECT_EQ(sessions->recentSessions().size(), 1u);
    EXPECT_EQ(stored("deletedSessionsCount"), "2");
    EXPECT_EQ(logs.size(), 1u);
    EXPECT_TRUE(signals.empty());
}

TEST_F(BadHistory, FarPastSessionsAreDroppedAndCounted) {
    auto sessions = load(R"([{"st":-999999999999,"dn":3},{"st":0,"dn":4}])");
    EXPECT_TRUE(sessions->recentSessions().empty());
    EXPECT_EQ(stored("deletedSessionsCount"), "2");
    EXPECT_EQ(debugLogs.size(), 1u);
    EXPECT_EQ(signals.size(), 2u);
}

TEST_F(BadHistory, AMillionSessionsKeepTheNewestUpToTheLimit) {
    std::string text = "[";
    const auto start = static_cast<long long>(clock->now().adding(-80 * day).unixSeconds());
    for (int i = 0; i < 1'000'000; ++i)
        text += (i ? ",{\"st\":" : "{\"st\":") + std::to_string(start + i) + ",\"dn\":2}";
    text += "]";
    auto sessions = load(text);
    const auto kept = sessions->recentSessions();
    ASSERT_EQ(kept.size(), 20'000u);
    EXPECT_EQ(kept.back().startedAt, Date::fromUnix(static_cast<double>(start + 999'999)));
    EXPECT_EQ(stored("deletedSessionsCount"), "980000");
    EXPECT_EQ(logs.size(), 1u);
    EXPECT_TRUE(signals.empty());
}

TEST_F(BadHistory, HugeDurationsDoNotOverflowTheAverage) {
    auto sessions = load(R"([{"st":1699990000,"dn":9223372036854775807},)"
                         R"({"st":1699990001,"dn":9223372036854775807},{"st":1699990002,"dn":1}])");
    EXPECT_EQ(sessions->averageSessionSeconds(), 9223372036854775807 / 2);
}

} // namespace
} // namespace keepsift::analytics
