#include <benchmark/benchmark.h>
#include <chrono>
#include <filesystem>
#include <functional>
#include <sys/resource.h>
#include <thread>

#include "core/model/Clock.hpp"
#include "platform/defaults/FileUserDefaults.hpp"
#include "platform/files/tests/TemporaryFolder.hpp"
#include "telemetry/client/tests/ManualScheduler.hpp"
#include "telemetry/device/CalendarFacts.hpp"
#include "telemetry/sessions/SessionManager.hpp"

namespace keepsift::analytics {
namespace {

constexpr int sessionsPerDay = 50;
constexpr int days = 91; // one day's worth ages out on every load

// A manager over these defaults, clock and scheduler that sends and logs nothing.
std::shared_ptr<SessionManager> quietManager(std::shared_ptr<FileUserDefaults> defaults,
                                             std::function<Date()> now,
                                             std::shared_ptr<Scheduler> scheduler) {
    SessionManagerServices services;
    services.defaults = [defaults] { return defaults; };
    services.now = std::move(now);
    services.scheduler = [scheduler] { return scheduler; };
    services.dayText = [](Date d) { return fullDateText(d, 0); };
    services.sendSignal = [](const std::string&, const ParameterMap&) {};
    services.log = [](LogHandler::LogLevel, const std::string&) {};
    return SessionManager::make(services);
}

// A session history of 91 days at 50 sessions a day in a suite file: the manager loads it,
// trims the oldest day and writes back the list, the dropped count and the day used, each
// an atomic file replace with fsync (wall time follows the disk, CPU time the work).
void SessionHistoryLoadTrimStore(benchmark::State& state) {
    keepsift::testing::TemporaryFolder folder;
    const auto file = folder.path() / "defaults.json";
    const auto pristine = folder.path() / "pristine.json";
    auto clock = std::make_shared<MutableClock>(Date::fromUnix(1'700'000'000));
    {
        std::vector<StoredSession> sessions;
        for (int i = days * sessionsPerDay; i > 0; --i)
            sessions.push_back({clock->now().adding(-i * 86400.0 / sessionsPerDay - 1), 300});
        FileUserDefaults(pristine).setObject(encodeSessions(sessions), "recentSessions");
    }
    auto scheduler = std::make_shared<testing::ManualScheduler>();
    std::size_t kept = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::copy_file(pristine, file,
                                   std::filesystem::copy_options::overwrite_existing);
        state.ResumeTiming();
        auto defaults = std::make_shared<FileUserDefaults>(file);
        auto manager = quietManager(
            defaults, [clock] { return clock->now(); }, scheduler);
        manager->waitUntilPersisted();
        kept = manager->recentSessions().size();
    }
    state.counters["sessions kept"] = static_cast<double>(kept);
}
BENCHMARK(SessionHistoryLoadTrimStore)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

// One tick of the one-second timer while the application is active, with a full history:
// the cost paid every second in front (none while inactive: the timer is stopped).
void SessionTimerTick(benchmark::State& state) {
    keepsift::testing::TemporaryFolder folder;
    auto clock = std::make_shared<MutableClock>(Date::fromUnix(1'700'000'000));
    auto defaults = std::make_shared<FileUserDefaults>(folder.path() / "defaults.json");
    std::vector<StoredSession> sessions;
    for (int i = (days - 1) * sessionsPerDay; i > 0; --i)
        sessions.push_back({clock->now().adding(-i * 86400.0 / sessionsPerDay), 300});
    defaults->setObject(encodeSessions(sessions), "recentSessions");
    auto scheduler = std::make_shared<testing::ManualScheduler>();
    auto manager = quietManager(
        defaults, [clock] { return clock->now(); }, scheduler);
    manager->startNewSession();
    for (auto _ : state) {
        clock->advance(1);
        scheduler->advance(1);
        manager->waitUntilPersisted();
    }
    manager->applicationWillResignActive();
}
BENCHMARK(SessionTimerTick)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond)->Iterations(50);

double processCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Three seconds with the application inactive on the real timer thread: the session clock
// is stopped, so the process spends nothing on it.
void SessionIdleCpu(benchmark::State& state) {
    keepsift::testing::TemporaryFolder folder;
    auto defaults = std::make_shared<FileUserDefaults>(folder.path() / "defaults.json");
    auto scheduler = makeThreadScheduler();
    auto manager = quietManager(
        defaults, [] { return Date::now(); }, scheduler);
    manager->startNewSession();
    manager->applicationWillResignActive();
    manager->waitUntilPersisted();
    double cpu = 0;
    for (auto _ : state) {
        const double before = processCpuSeconds();
        std::this_thread::sleep_for(std::chrono::seconds(3));
        cpu = processCpuSeconds() - before;
    }
    state.counters["cpu ms while inactive"] = cpu * 1000;
}
BENCHMARK(SessionIdleCpu)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
} // namespace keepsift::analytics
