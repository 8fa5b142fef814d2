// Records the burst corpus of the corpus tests with the live extractor and prints the full
// measurement report: how grouping and keeper choice fare on phone-style bursts.

#include <benchmark/benchmark.h>

#include <iostream>
#include <sstream>

#include "photos/corpus-tool/MeasureCommand.hpp"
#include "photos/corpus-tool/RecordCommand.hpp"
#include "photos/corpus-tool/tests/BurstCorpus.hpp"
#include "photos/extractor/LiveSignalExtractor.hpp"

namespace keepsift {
namespace {

void BurstCorpusRecordAndMeasure(benchmark::State& state) {
    const auto folder = std::filesystem::temp_directory_path() / "keepsift-burst-corpus-bench";
    std::filesystem::remove_all(folder);
    const auto corpus = folder / "corpus", recordings = folder / "recordings";
    const auto made = burst_corpus::write(corpus, 26, static_cast<int>(state.range(0)),
                                          static_cast<int>(state.range(1)));
    if (!made) {
        state.SkipWithError(samples::unavailable);
        return;
    }
    LiveSignalExtractor extractor(LiveSignalExtractor::makeContext(), nullptr);
    corpustool::RecordOptions options;
    std::ostringstream quiet;
    for (auto _ : state) {
        std::filesystem::remove_all(recordings);
        corpustool::recordCommand(corpus, recordings, extractor, options, quiet, std::cerr);
    }
    std::cout << "\n";
    corpustool::measureCommand(recordings, false, std::cout);
    state.counters["photographs"] = made->photographs;
    std::filesystem::remove_all(folder);
}

// Long side and shots per burst: camera-sized bursts of four, the bursts of the corpus test,
// and small bursts of three.
BENCHMARK(BurstCorpusRecordAndMeasure)
    ->Args({2048, 4})
    ->Args({1024, 4})
    ->Args({640, 3})
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

} // namespace
} // namespace keepsift
