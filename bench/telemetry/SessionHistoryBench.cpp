#include <benchmark/benchmark.h>
#include <filesystem>

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

// A session history of 91 days at 50 sessions a day in a suite file: the manager loads,
// trims and writes it back, then stores the first second of a new session.
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
        SessionManagerServices services;
        services.defaults = [defaults] { return defaults; };
        services.now = [clock] { return clock->now(); };
        services.scheduler = [scheduler] { return scheduler; };
        services.dayText = [](Date d) { return fullDateText(d, 0); };
        services.sendSignal = [](const std::string&, const ParameterMap&) {};
        services.logError = [](const std::string&) {};
        auto manager = SessionManager::make(services);
        manager->startNewSession();
        clock->advance(1);
        manager->updateSessionDuration();
        manager->waitUntilPersisted();
        kept = manager->recentSessions().size();
        manager->applicationWillResignActive();
    }
    state.counters["sessions kept"] = static_cast<double>(kept);
}
BENCHMARK(SessionHistoryLoadTrimStore)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace
} // namespace keepsift::analytics
