// One regroup pass (group the whole library and decide every group, over the library's own
// signals by address, as the engine does) on synthetic libraries of the sizes given with
// --sizes=10000,100000 (the default), at three densities: a real library's (a constant 30
// photographs a day), every size spread over 10 years, and a dense one (100,000 a year).
#include <map>

#include <benchmark/benchmark.h>

#include "MemoryMeter.hpp"
#include "SyntheticLibrary.hpp"
#include "bench/scaling/ScaledRun.hpp"
#include "core/grouping/GroupBuilder.hpp"
#include "core/grouping/KeeperSelector.hpp"
#include "core/grouping/PhotoAddresses.hpp"

namespace keepsift::bench {
namespace {

struct Density {
    const char* name;
    double (*years)(double photos);
};

const Density densities[] = {
    {"daily", [](double photos) { return photos / (30 * 365.25); }},
    {"tenYears", [](double) { return 10.0; }},
    {"dense", [](double photos) { return photos / 100'000; }},
};

struct Library {
    std::vector<PhotoSignals> photos;
    std::size_t bytes = 0; // heap the library holds
};

// One library at a time: the benchmarks run size by size and density by density.
const Library& libraryFor(std::size_t photos, const Density& density) {
    static Library current;
    static std::pair<std::size_t, const Density*> made{0, nullptr};
    if (made != std::pair{photos, &density}) {
        current = Library();
        const std::size_t before = heapInUse();
        LibraryShape shape;
        shape.photos = photos;
        shape.years = density.years(static_cast<double>(photos));
        current.photos = syntheticLibrary(shape);
        current.photos.shrink_to_fit();
        current.bytes = heapInUse() - before;
        made = {photos, &density};
    }
    return current;
}

void groupAndDecide(benchmark::State& state, const Density& density) {
    const auto& library = libraryFor(static_cast<std::size_t>(state.range(0)), density);
    std::size_t extra = 0;
    std::size_t groupCount = 0;
    for (auto _ : state) {
        const std::size_t before = heapInUse();
        resetHeapPeak();
        const auto drafts =
            GroupBuilder::draft(addressesOf(library.photos), GroupingPolicy::standard);
        std::vector<const GroupDraft*> all;
        all.reserve(drafts.size());
        for (const auto& draft : drafts)
            all.push_back(&draft);
        auto decisions = KeeperSelector::decideAll(all, ScoringPolicy::standard);
        benchmark::DoNotOptimize(decisions.data());
        state.PauseTiming();
        extra = heapPeak() - before;
        groupCount = drafts.size();
        decisions.clear();
        state.ResumeTiming();
    }
    state.counters["groups"] = static_cast<double>(groupCount);
    state.counters["inputMiB"] = static_cast<double>(library.bytes) / (1 << 20);
    state.counters["extraMiB"] = static_cast<double>(extra) / (1 << 20);
    state.counters["peakRSS_MiB"] = peakResidentMiB();
}

void registerAll(const std::vector<std::int64_t>& sizes) {
    for (const auto size : sizes)
        for (const auto& density : densities)
            benchmark::RegisterBenchmark((std::string("groupAndDecide_") + density.name).c_str(),
                                         groupAndDecide, density)
                ->Arg(size)
                ->Repetitions(3)
                ->Iterations(1)
                ->ReportAggregatesOnly(true)
                ->Unit(benchmark::kMillisecond)
                ->MeasureProcessCPUTime();
}

} // namespace
} // namespace keepsift::bench

int main(int argc, char** argv) {
    keepsift::bench::registerAll(keepsift::bench::takeSizes(argc, argv, {10000, 100000}));
    return keepsift::bench::runWithGrowth(argc, argv);
}
