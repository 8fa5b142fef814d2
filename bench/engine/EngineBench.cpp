// Engine overhead on libraries of the sizes given with --sizes=10000,100000 (the default),
// with a signal source that answers at once: one analysis step, one snapshot, one full
// regroup pass; then the growth of each from one size to the next.
#include <benchmark/benchmark.h>

#include <memory>

#include "bench/engine/EngineLibrary.hpp"
#include "bench/scaling/ScaledRun.hpp"

namespace keepsift {
namespace {

using bench::EngineLibrary;
using bench::makeEngine;
using bench::running;

// The library and the measured engine of one size at a time, made when a benchmark of a
// new size starts; the benchmarks run size by size, so each is made once.
struct Sized {
    int photos = 0;
    EngineLibrary library;
    std::unique_ptr<ScanEngine> measured;
    double engineMiB = 0; // resident memory the measured engine added
};

Sized& sized(const benchmark::State& state) {
    static Sized current;
    const int photos = static_cast<int>(state.range(0));
    if (current.photos != photos) {
        current.measured.reset();
        current.library = bench::makeEngineLibrary(photos);
        const double before = bench::residentMiB();
        current.measured = makeEngine(current.library, true);
        current.engineMiB = bench::residentMiB() - before;
        current.photos = photos;
    }
    return current;
}

void finish(benchmark::State& state) {
    state.counters["peakRSS_MiB"] = bench::peakResidentMiB();
    state.counters["engineMiB"] = sized(state).engineMiB;
}

void analyseNextStep(benchmark::State& state) {
    auto engine = makeEngine(sized(state).library, false);
    for (auto _ : state)
        benchmark::DoNotOptimize(engine->analyseNext(running()));
    if (engine->index().hasEntriesAwaitingSignals() == false) state.SkipWithError("ran dry");
    finish(state);
}

void snapshot(benchmark::State& state) {
    auto& engine = *sized(state).measured;
    for (auto _ : state)
        benchmark::DoNotOptimize(engine.snapshot());
    state.counters["groups"] = static_cast<double>(engine.snapshot().review.groups.size());
    finish(state);
}

// The first snapshot after a change, timed alone: the change happens while the clock is
// stopped, and the previous snapshot is still held, as the application holds its own
// until the new one replaces it.
void firstSnapshotAfter(benchmark::State& state, const LibraryChange& change) {
    auto& engine = *sized(state).measured;
    EngineSnapshot taken = engine.snapshot();
    for (auto _ : state) {
        state.PauseTiming();
        engine.handleLibraryChange(change);
        state.ResumeTiming();
        EngineSnapshot next = engine.snapshot();
        state.PauseTiming();
        taken = std::move(next);
        state.ResumeTiming();
    }
    state.counters["groups"] = static_cast<double>(taken.review.groups.size());
    finish(state);
}

// One photograph changed: only its group is built again.
void snapshotAfterChange(benchmark::State& state) {
    firstSnapshotAfter(state, change::AssetsChanged{{sized(state).library.assets.front()}});
}

// The whole library listed again: every shown group is built afresh.
void snapshotAfterRefresh(benchmark::State& state) {
    firstSnapshotAfter(state, change::NeedsRefresh{});
}

// The change of one photograph.
void libraryChange(benchmark::State& state) {
    auto& engine = *sized(state).measured;
    const LibraryAsset changed = sized(state).library.assets.front();
    for (auto _ : state)
        engine.handleLibraryChange(change::AssetsChanged{{changed}});
    finish(state);
}

// Both files written whole; the engine's lock is held only while the state is copied.
void saveBothFiles(benchmark::State& state) {
    auto& engine = *sized(state).measured;
    for (auto _ : state)
        benchmark::DoNotOptimize(engine.save());
    finish(state);
}

void regroupPass(benchmark::State& state) {
    auto& engine = *sized(state).measured;
    for (auto _ : state)
        benchmark::DoNotOptimize(engine.regroup());
    state.counters["reviewable"] = static_cast<double>(engine.reviewableGroups());
    finish(state);
}

void registerAll(const std::vector<std::int64_t>& sizes) {
    for (const auto size : sizes) {
        const auto add = [size](const char* name, void (*run)(benchmark::State&)) {
            return benchmark::RegisterBenchmark(name, run)
                ->Arg(size)
                ->Unit(benchmark::kMillisecond)
                ->MeasureProcessCPUTime();
        };
        // Every step measures a photograph: stay well inside the library.
        add("analyseNextStep", analyseNextStep)
            ->Iterations(std::min<std::int64_t>(50000, size / 2))
            ->Unit(benchmark::kMicrosecond);
        add("snapshot", snapshot);
        // The change itself is not timed but takes its time: a fixed count of rounds.
        add("snapshotAfterChange", snapshotAfterChange)->Iterations(50);
        add("snapshotAfterRefresh", snapshotAfterRefresh)->Iterations(5);
        add("libraryChange", libraryChange);
        add("saveBothFiles", saveBothFiles);
        add("regroupPass", regroupPass)->Repetitions(3)->Iterations(1)->ReportAggregatesOnly(true);
    }
}

} // namespace
} // namespace keepsift

int main(int argc, char** argv) {
    keepsift::registerAll(keepsift::bench::takeSizes(argc, argv, {10000, 100000}));
    return keepsift::bench::runWithGrowth(argc, argv);
}
