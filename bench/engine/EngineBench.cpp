// Engine overhead on libraries of the sizes given with --sizes=10000,100000 (the default),
// with a signal source that answers at once: one analysis step, one snapshot, one full
// regroup pass; then the growth of each from one size to the next.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "bench/scaling/ScaledRun.hpp"

#include "core/engine/ScanEngine.hpp"
#include "core/scripted/FixtureSignalSource.hpp"
#include "core/scripted/ScriptedLibrary.hpp"
#include "core/storage/MemoryFileStorage.hpp"

namespace keepsift {
namespace {

constexpr double start = 700000000;

// Sessions of four moments 300 s apart, sessions 4000 s apart; moments of one to five
// shots, about two on average, the first of each sharp and the others blurred.
struct Library {
    std::vector<LibraryAsset> assets;
    std::vector<PhotoSignals> signals;
};

PhotoSignals signalsFor(const LibraryAsset& asset, int moment, int shot) {
    PhotoSignals s;
    s.digest = asset.id;
    s.filename = asset.filename;
    s.capturedAt = asset.createdAt;
    s.pixelWidth = asset.pixelWidth;
    s.pixelHeight = asset.pixelHeight;
    s.fileSize = asset.fileSize;
    std::vector<float> print(64, 0.0f);
    const float tilt = 0.15f * static_cast<float>(shot % 3);
    print[static_cast<size_t>(2 * (moment % 4))] = std::cos(tilt);
    print[static_cast<size_t>(2 * (moment % 4) + 1)] = std::sin(tilt);
    s.setFeaturePrint(print);
    s.featurePrintRevision = std::string(PhotoSignals::printRevision);
    s.sharpness = shot == 0 ? 0.9f : 0.3f; // the later shots are blurred
    s.hasCameraMetadata = true;
    s.hasCaptureMetadata = true;
    return s;
}

Library makeLibrary(int photoCount) {
    static constexpr int sizes[] = {1, 1, 1, 2, 3, 5, 1, 1, 4, 1};
    Library library;
    int moment = 0;
    while (static_cast<int>(library.assets.size()) < photoCount) {
        const double at = start + (moment / 4) * 4000.0 + (moment % 4) * 300.0;
        for (int shot = 0;
             shot < sizes[moment % 10] && static_cast<int>(library.assets.size()) < photoCount;
             ++shot) {
            LibraryAsset asset;
            asset.id = "photo-" + std::to_string(library.assets.size());
            asset.filename = asset.id + ".jpg";
            asset.createdAt = Date{at + shot * 2.0};
            asset.modifiedAt = asset.createdAt;
            asset.pixelWidth = 4000;
            asset.pixelHeight = 3000;
            asset.fileSize = 2000000;
            library.signals.push_back(signalsFor(asset, moment, shot));
            library.assets.push_back(std::move(asset));
        }
        ++moment;
    }
    return library;
}

WorkConditions running() {
    WorkConditions conditions;
    conditions.power = WorkConditions::Power::mains;
    return conditions;
}

// An engine that has listed the library and, when asked, measured and grouped all of it.
// The first save happens here, so the throttle keeps the benchmarks free of saving.
std::unique_ptr<ScanEngine> makeEngine(const Library& lib, bool measured) {
    auto engine = std::make_unique<ScanEngine>(
        std::make_shared<ScriptedLibrary>(lib.assets, LibraryAuthorization::authorized,
                                          std::nullopt, true, LibraryStorage::local),
        std::make_shared<FixtureSignalSource>(lib.signals, FixtureSignalSource::Miss::refuse),
        std::make_shared<MemoryFileStorage>(), std::make_shared<FixedClock>(Date{start + 1e7}));
    engine->reconcileWithLibrary();
    if (measured) {
        for (const auto& signals : lib.signals)
            engine->recordSignals(signals, signals.digest);
        engine->regroup();
    }
    return engine;
}

// The library and the measured engine of one size at a time, made when a benchmark of a
// new size starts; the benchmarks run size by size, so each is made once.
struct Sized {
    int photos = 0;
    Library library;
    std::unique_ptr<ScanEngine> measured;
    double engineMiB = 0; // resident memory the measured engine added
};

Sized& sized(const benchmark::State& state) {
    static Sized current;
    const int photos = static_cast<int>(state.range(0));
    if (current.photos != photos) {
        current.measured.reset();
        current.library = makeLibrary(photos);
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
