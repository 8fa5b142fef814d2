// What links the user makes in the rejects album with a file manager cost a running Keepsift
// over a library of 100,000 photographs (--sizes= for others): ten links to keepers, 2 s apart
// on the engine's clock, each reported as the folder library reports it (a refresh, then the
// album's change), and each change followed by what the application does after one (a regroup
// when it changed something, and a pump step's album write). The last save was long enough
// before that the save throttle is free. The figures are the whole saves of the index, the bytes
// handed to the engine's files (a real folder) and the processor time; the library is scripted.
#include <benchmark/benchmark.h>

#include <ctime>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "bench/engine/CountingStorage.hpp"
#include "bench/engine/EngineLibrary.hpp"
#include "bench/scaling/ScaledRun.hpp"
#include "bench/scratch/ScratchFolder.hpp"

namespace keepsift {
namespace {

constexpr std::size_t linkCount = 10;
constexpr double secondsApart = 2.0;

double processorSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

void tenUserLinks(benchmark::State& state) {
    const auto made = bench::makeEngineLibrary(static_cast<int>(state.range(0)));
    const auto library = bench::makeScriptedLibrary(made);
    const auto clock = std::make_shared<MutableClock>(Date{bench::libraryStart + 1e7});
    const bench::ScratchFolder folder("ks-user-links");
    const auto storage = bench::countedFolderStorage(folder);
    auto engine = bench::makeEngine(made, true, storage, clock, library);
    engine->syncRejectsAlbumIfNeeded();
    engine->save();
    std::vector<std::string> keepers;
    for (const auto& [id, entry] : engine->index().entries)
        if (entry.state == ReviewState::keeper && keepers.size() < linkCount) keepers.push_back(id);
    clock->advance(60);
    storage->reset();
    double processor = 0;
    for (auto _ : state) {
        const double start = processorSeconds();
        for (const auto& id : keepers) {
            clock->advance(secondsApart);
            library->markRejected({id}, true);
            for (const LibraryChange& change :
                 {LibraryChange{change::NeedsRefresh{}},
                  LibraryChange{change::RejectsAlbumChanged{{id}, {}}}}) {
                if (engine->handleLibraryChange(change)) engine->regroup();
                engine->syncRejectsAlbumIfNeeded();
            }
        }
        processor = processorSeconds() - start;
        state.SetIterationTime(processor);
    }
    int byHand = 0;
    for (const auto& id : keepers)
        byHand += engine->index().entries.at(id).state == ReviewState::flaggedByHand;
    state.counters["flagged_by_hand"] = byHand;
    state.counters["index_saves"] = storage->indexSaves.load();
    state.counters["written_MB"] = static_cast<double>(storage->bytes.load()) / 1e6;
    state.counters["processor_s"] = processor;
}

} // namespace
} // namespace keepsift

int main(int argc, char** argv) {
    using namespace keepsift;
    bench::registerTimedRuns({{"tenUserLinks", tenUserLinks}},
                             bench::takeSizes(argc, argv, {100000}), 1);
    return bench::runWithGrowth(argc, argv);
}
