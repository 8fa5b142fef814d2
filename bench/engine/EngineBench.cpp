// Engine overhead on a library of 100,000 photographs, with a signal source that answers
// at once: one analysis step, one snapshot, one full regroup pass.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "core/engine/ScanEngine.hpp"
#include "core/scripted/FixtureSignalSource.hpp"
#include "core/scripted/ScriptedLibrary.hpp"
#include "core/storage/MemoryFileStorage.hpp"

namespace keepsift {
namespace {

constexpr int photoCount = 100000;
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

const Library& library() {
    static const Library made = [] {
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
    }();
    return made;
}

WorkConditions running() {
    WorkConditions conditions;
    conditions.power = WorkConditions::Power::mains;
    return conditions;
}

// An engine that has listed the library and, when asked, measured and grouped all of it.
// The first save happens here, so the throttle keeps the benchmarks free of saving.
std::unique_ptr<ScanEngine> makeEngine(bool measured) {
    const auto& lib = library();
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

void analyseNextStep(benchmark::State& state) {
    auto engine = makeEngine(false);
    for (auto _ : state)
        benchmark::DoNotOptimize(engine->analyseNext(running()));
    if (engine->index().hasEntriesAwaitingSignals() == false) state.SkipWithError("ran dry");
}
// Every step measures a photograph: stay well inside the library.
BENCHMARK(analyseNextStep)->Iterations(50000)->Unit(benchmark::kMicrosecond);

void snapshot(benchmark::State& state) {
    auto engine = makeEngine(true);
    for (auto _ : state)
        benchmark::DoNotOptimize(engine->snapshot());
    state.counters["groups"] = static_cast<double>(engine->snapshot().review.groups.size());
}
BENCHMARK(snapshot)->Unit(benchmark::kMillisecond);

// The first snapshot after a change, timed alone: the change and the release of the
// previous snapshot happen while the clock is stopped.
void firstSnapshotAfter(benchmark::State& state, const LibraryChange& change) {
    auto engine = makeEngine(true);
    EngineSnapshot taken;
    for (auto _ : state) {
        state.PauseTiming();
        taken = EngineSnapshot();
        engine->handleLibraryChange(change);
        state.ResumeTiming();
        taken = engine->snapshot();
    }
    state.counters["groups"] = static_cast<double>(taken.review.groups.size());
}

// One photograph changed: only its group is built again.
void snapshotAfterChange(benchmark::State& state) {
    firstSnapshotAfter(state, change::AssetsChanged{{library().assets.front()}});
}
BENCHMARK(snapshotAfterChange)->Unit(benchmark::kMillisecond);

// The whole library listed again: every shown group is built afresh.
void snapshotAfterRefresh(benchmark::State& state) {
    firstSnapshotAfter(state, change::NeedsRefresh{});
}
BENCHMARK(snapshotAfterRefresh)->Unit(benchmark::kMillisecond);

void libraryChange(benchmark::State& state) {
    auto engine = makeEngine(true);
    const LibraryAsset changed = library().assets.front();
    for (auto _ : state)
        engine->handleLibraryChange(change::AssetsChanged{{changed}});
}
BENCHMARK(libraryChange)->Unit(benchmark::kMillisecond);

// Both files written whole; the engine's lock is held only while the state is copied.
void saveBothFiles(benchmark::State& state) {
    auto engine = makeEngine(true);
    for (auto _ : state)
        benchmark::DoNotOptimize(engine->save());
}
BENCHMARK(saveBothFiles)->Unit(benchmark::kMillisecond);

void regroupPass(benchmark::State& state) {
    auto engine = makeEngine(true);
    for (auto _ : state)
        benchmark::DoNotOptimize(engine->regroup());
    state.counters["reviewable"] = static_cast<double>(engine->reviewableGroups());
}
BENCHMARK(regroupPass)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace keepsift
