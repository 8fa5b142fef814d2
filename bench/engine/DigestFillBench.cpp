// What filling in the content digests of an index from an earlier build costs on a library of
// 100,000 photographs (--sizes= for others) whose files are written to a real folder: the
// whole saves and bytes written, the steps, and the wall-clock and processor time.
// wholeFill runs the steps one after another, as the idle pump does, until every digest is
// read. thirtySecondsApart runs the first --paced-steps= steps with the clock moved on by
// 30 s after each, the pace of one idle pump step per 30 s, and projects the whole fill
// from them. Reading a digest costs nothing here, so the times are the engine's own.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/engine/CountingStorage.hpp"
#include "bench/engine/EngineLibrary.hpp"
#include "bench/scaling/ScaledRun.hpp"
#include "bench/scratch/ScratchFolder.hpp"

namespace keepsift {
namespace {

using Seconds = std::chrono::duration<double>;

constexpr double idlePumpInterval = 30.0;
constexpr double photosPerStep = 16.0;
int pacedSteps = 40;

// Every photograph's bytes are there to read; counts the reads.
class ReadLibrary : public ScriptedLibrary {
public:
    using ScriptedLibrary::ScriptedLibrary;
    std::optional<std::string> contentDigest(const std::string& id) override {
        ++reads;
        return ScriptedLibrary::contentDigest(id);
    }
    std::atomic<int> reads = 0;
};

double processorSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The library measured and saved by an earlier build (no digests, no file sizes), in a
// folder of its own, opened again by this one.
struct EarlierIndex {
    int photos;
    bench::ScratchFolder folder{"ks-digests"};
    std::shared_ptr<bench::CountingStorage> storage = bench::countedFolderStorage(folder);
    std::shared_ptr<ReadLibrary> library;
    std::unique_ptr<ScanEngine> engine;

    EarlierIndex(int photos, const std::shared_ptr<Clock>& clock) : photos(photos) {
        const auto made = bench::makeEngineLibrary(photos);
        library = std::make_shared<ReadLibrary>(made.assets, LibraryAuthorization::authorized,
                                                std::nullopt, true, LibraryStorage::local);
        engine = bench::makeEngine(made, true, storage, clock, library);
        engine->updateIndex([](LibraryIndex& index) {
            for (auto& [id, entry] : index.entries)
                entry.asset.fileSize = 0;
        });
        engine->save();
        engine.reset();
        for (const auto& asset : made.assets)
            library->setContent(asset.id, "digest of " + asset.id);
        engine = bench::makeEngine(made, false, storage, clock, library);
        engine->flush();
        storage->reset();
    }
    ~EarlierIndex() { engine.reset(); }
};

struct Costs {
    int steps = 0;
    double wall = 0, processor = 0;
};

// Runs fill steps until `more` says stop, after each calling `between`.
template <class More, class Between>
Costs fill(EarlierIndex& earlier, More&& more, Between&& between) {
    Costs costs;
    const auto start = std::chrono::steady_clock::now();
    const double processorStart = processorSeconds();
    while (more(costs.steps)) {
        earlier.engine->fillContentDigests(bench::running());
        ++costs.steps;
        between();
    }
    costs.wall = Seconds(std::chrono::steady_clock::now() - start).count();
    costs.processor = processorSeconds() - processorStart;
    return costs;
}

void report(benchmark::State& state, const EarlierIndex& earlier, const Costs& costs,
            double scale) {
    state.counters["steps"] = costs.steps * scale;
    state.counters["saves"] = earlier.storage->indexSaves.load() * scale;
    state.counters["written_MB"] = static_cast<double>(earlier.storage->bytes) / 1e6 * scale;
    state.counters["wall_s"] = costs.wall * scale;
    state.counters["cpu_s"] = costs.processor * scale;
}

void wholeFill(benchmark::State& state) {
    EarlierIndex earlier(static_cast<int>(state.range(0)), std::make_shared<SystemClock>());
    for (auto _ : state) {
        const auto costs = fill(
            earlier, [&](int) { return earlier.library->reads < earlier.photos; }, [] {});
        state.SetIterationTime(costs.wall);
        report(state, earlier, costs, 1.0);
    }
}

void thirtySecondsApart(benchmark::State& state) {
    auto clock = std::make_shared<MutableClock>(Date{bench::libraryStart + 1e7});
    EarlierIndex earlier(static_cast<int>(state.range(0)), clock);
    for (auto _ : state) {
        const auto costs = fill(
            earlier, [&](int steps) { return steps < pacedSteps; },
            [&] { clock->advance(idlePumpInterval); });
        state.SetIterationTime(costs.wall);
        const double wholeSteps = std::ceil(earlier.photos / photosPerStep);
        report(state, earlier, costs, wholeSteps / costs.steps);
        state.counters["idle_h"] = wholeSteps * idlePumpInterval / 3600;
    }
}

} // namespace
} // namespace keepsift

int main(int argc, char** argv) {
    keepsift::pacedSteps = std::stoi(keepsift::bench::takeOption(argc, argv, "paced-steps", "40"));
    using namespace keepsift;
    bench::registerTimedRuns({{"wholeFill", wholeFill}, {"thirtySecondsApart", thirtySecondsApart}},
                             bench::takeSizes(argc, argv, {100000}), 1);
    return keepsift::bench::runWithGrowth(argc, argv);
}
