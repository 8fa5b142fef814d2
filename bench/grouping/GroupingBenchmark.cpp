#include <map>

#include <benchmark/benchmark.h>

#include "MemoryMeter.hpp"
#include "SyntheticLibrary.hpp"
#include "core/grouping/GroupBuilder.hpp"
#include "core/grouping/KeeperSelector.hpp"

namespace keepsift::bench {
namespace {

struct Library {
    std::vector<PhotoSignals> photos;
    std::size_t bytes = 0; // heap the library holds
};

const Library& libraryWithPrints(size_t printLength) {
    static std::map<size_t, Library> libraries;
    auto [it, inserted] = libraries.try_emplace(printLength);
    if (inserted) {
        const std::size_t before = heapInUse();
        LibraryShape shape;
        shape.printLength = printLength;
        it->second.photos = syntheticLibrary(shape);
        it->second.photos.shrink_to_fit();
        it->second.bytes = heapInUse() - before;
    }
    return it->second;
}

// One regroup pass: group the whole library and decide every group. The library is handed
// over as the engine hands it (a copy it no longer needs, moved in) or kept by the caller.
void regroupPass(benchmark::State& state, bool moveIn) {
    const auto& library = libraryWithPrints(static_cast<size_t>(state.range(0)));
    std::size_t extra = 0;
    std::size_t groupCount = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<PhotoSignals> handed;
        if (moveIn) handed = library.photos;
        const std::size_t before = heapInUse();
        resetHeapPeak();
        state.ResumeTiming();
        auto groups = moveIn ? GroupBuilder::build(std::move(handed), GroupingPolicy::standard)
                             : GroupBuilder::build(library.photos, GroupingPolicy::standard);
        auto decisions = KeeperSelector::decideAll(groups, ScoringPolicy::standard);
        benchmark::DoNotOptimize(decisions.data());
        state.PauseTiming();
        extra = heapPeak() - before;
        groupCount = groups.size();
        groups.clear();
        decisions.clear();
        state.ResumeTiming();
    }
    state.counters["photos"] = static_cast<double>(library.photos.size());
    state.counters["groups"] = static_cast<double>(groupCount);
    state.counters["inputMiB"] = static_cast<double>(library.bytes) / (1 << 20);
    state.counters["extraMiB"] = static_cast<double>(extra) / (1 << 20);
    state.counters["extraPerInput"] =
        static_cast<double>(extra) / static_cast<double>(library.bytes);
}

void BM_RegroupMovedIn(benchmark::State& state) {
    regroupPass(state, true);
}
void BM_RegroupFromKeptLibrary(benchmark::State& state) {
    regroupPass(state, false);
}

BENCHMARK(BM_RegroupMovedIn)->Arg(256)->Arg(512)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RegroupFromKeptLibrary)
    ->Arg(256)
    ->Arg(512)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace
} // namespace keepsift::bench
