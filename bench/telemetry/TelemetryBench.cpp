#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>

#include "bench/index/HeapCounter.hpp"
#include "platform/files/tests/TemporaryFolder.hpp"
#include "telemetry/client/Analytics.hpp"
#include "telemetry/client/tests/LoopbackServer.hpp"
#include "telemetry/client/tests/ManualScheduler.hpp"

namespace keepsift::analytics {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int signalCount = 10'000;

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// A client with the real default parameters (this machine's /sys, /etc, locale), its own
// cache folder, and timers that never fire unless asked.
struct Client {
    keepsift::testing::TemporaryFolder folder;
    std::shared_ptr<testing::ManualScheduler> scheduler =
        std::make_shared<testing::ManualScheduler>();
    std::shared_ptr<TelemetryManagerConfiguration> config;

    explicit Client(std::string baseURL = "http://127.0.0.1:9/") {
        ::setenv("XDG_CACHE_HOME", (folder.path() / "cache").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (folder.path() / "config").c_str(), 1);
        config = std::make_shared<TelemetryManagerConfiguration>("BENCH-APP", "salt", baseURL);
        config->scheduler.set(scheduler);
        config->logHandler.set(LogHandler{LogHandler::LogLevel::error, {}});
        Analytics::initialize(config);
    }
    ~Client() { Analytics::removeShared(); }

    SignalManager& pipeline() {
        return dynamic_cast<SignalManager&>(TelemetryManager::shared()->signalManager());
    }
    void fill() {
        for (int i = 0; i < signalCount; ++i)
            Analytics::signal("com.ambervale.settings.changed",
                              {{"setting", "telemetry"}, {"n", std::to_string(i % 7)}});
        pipeline().waitUntilProcessed();
    }
};

// 10,000 signals through the front into the cache: default parameters, hashing, record.
void FrontIntoCache(benchmark::State& state) {
    for (auto _ : state) {
        Client client;
        std::vector<double> calls;
        calls.reserve(signalCount);
        const auto start = Clock::now();
        for (int i = 0; i < signalCount; ++i) {
            const auto before = Clock::now();
            Analytics::signal("com.ambervale.settings.changed", {{"setting", "telemetry"}});
            calls.push_back(seconds(Clock::now() - before));
        }
        client.pipeline().waitUntilProcessed();
        const double total = seconds(Clock::now() - start);
        std::nth_element(calls.begin(), calls.begin() + signalCount / 2, calls.end());
        state.counters["total_s"] = total;
        state.counters["front_median_us"] = calls[signalCount / 2] * 1e6;
        state.counters["cached"] = static_cast<double>(client.pipeline().signalCache().count());
    }
}
BENCHMARK(FrontIntoCache)->MeasureProcessCPUTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// Memory of a full cache, and its backup written and read back.
void CacheBackup(benchmark::State& state) {
    for (auto _ : state) {
        Client client;
        std::size_t held = 0;
        {
            bench::HeapWindow window;
            client.fill();
            held = window.held();
        }
        const auto writeStart = Clock::now();
        client.pipeline().appWillTerminate();
        const double write = seconds(Clock::now() - writeStart);
        const auto file =
            client.folder.path() / "cache/com.ambervale.keepsift/telemetrysignalcache";
        const double bytes = static_cast<double>(std::filesystem::file_size(file));
        const auto readStart = Clock::now();
        SignalCache readBack(std::nullopt, 10'000);
        const double read = seconds(Clock::now() - readStart);
        state.counters["cache_MB"] = static_cast<double>(held) / 1e6;
        state.counters["write_ms"] = write * 1e3;
        state.counters["read_ms"] = read * 1e3;
        state.counters["file_MB"] = bytes / 1e6;
        state.counters["read_back"] = static_cast<double>(readBack.count());
    }
}
BENCHMARK(CacheBackup)->MeasureProcessCPUTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// A storm of 100,000 signals: the cache keeps its limit and the heap stays bounded.
void SignalStorm(benchmark::State& state) {
    for (auto _ : state) {
        Client client;
        bench::HeapWindow window;
        const auto start = Clock::now();
        for (int i = 0; i < 10 * signalCount; ++i)
            Analytics::signal("storm", {{"n", std::to_string(i)}});
        client.pipeline().waitUntilProcessed();
        state.counters["total_s"] = seconds(Clock::now() - start);
        state.counters["peak_MB"] = static_cast<double>(window.peak()) / 1e6;
        state.counters["cached"] = static_cast<double>(client.pipeline().signalCache().count());
    }
}
BENCHMARK(SignalStorm)->MeasureProcessCPUTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// The quit flush while an upload hangs on a server that never answers.
void QuitWhileSendHangs(benchmark::State& state) {
    for (auto _ : state) {
        testing::LoopbackServer server;
        server.behave(testing::LoopbackServer::Behaviour::neverAnswer);
        Client client(server.baseURL());
        client.fill();
        client.scheduler->advance(10.0);
        server.waitForRequests(1);
        const auto start = Clock::now();
        Analytics::applicationWillTerminate();
        state.counters["flush_ms"] = seconds(Clock::now() - start) * 1e3;
    }
}
BENCHMARK(QuitWhileSendHangs)
    ->MeasureProcessCPUTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace keepsift::analytics
