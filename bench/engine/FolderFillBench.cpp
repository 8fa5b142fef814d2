// What filling in the content digests of an index from an earlier build costs over a real
// folder library of 100,000 photographs (--sizes= for others; each file the smallest dated
// JPEG unless --megabytes= says otherwise): the steps one after another, as the idle pump runs
// them, until every digest is read. Reported: the processor seconds of the whole process over
// the fill (user and system), and the bytes it read, per photograph and beside the library's
// own bytes; whatever else it reads for each photograph (the mount table) shows there.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "bench/engine/EngineLibrary.hpp"
#include "bench/engine/FolderEngine.hpp"
#include "bench/scaling/ProcessorTime.hpp"
#include "bench/scaling/ScaledRun.hpp"
#include "platform/imaging/tests/ReadCounting.hpp"

namespace keepsift {
namespace {

namespace fs = std::filesystem;
std::int64_t fileBytes = 0;

std::int64_t libraryBytes(const fs::path& pictures) {
    std::int64_t bytes = 0;
    for (const auto& file : fs::recursive_directory_iterator(pictures))
        if (file.is_regular_file() && !file.is_symlink())
            bytes += static_cast<std::int64_t>(file.file_size());
    return bytes;
}

void fillOfAnEarlierIndex(benchmark::State& state) {
    bench::FolderEngine library(static_cast<int>(state.range(0)), fileBytes, false);
    const auto size = static_cast<double>(libraryBytes(library.pictures()));
    for (auto _ : state) {
        library.library->reads = 0;
        const auto readBefore = testing::bytesReadSoFar();
        const double processorBefore = bench::processorSeconds();
        const auto start = std::chrono::steady_clock::now();
        int steps = 0;
        while (library.engine->fillContentDigests(bench::running()) == DigestFill::more)
            ++steps;
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double processor = bench::processorSeconds() - processorBefore;
        const auto read = static_cast<double>(testing::bytesReadSoFar() - readBefore);
        state.SetIterationTime(wall);
        state.counters["steps"] = steps;
        state.counters["digests_read"] = library.library->reads.load();
        state.counters["cpu_s"] = processor;
        state.counters["wall_s"] = wall;
        state.counters["read_MB"] = read / 1e6;
        state.counters["read_per_photo_kB"] = read / library.photos / 1e3;
        state.counters["read_over_library"] = read / size;
    }
}

} // namespace
} // namespace keepsift

int main(int argc, char** argv) {
    using namespace keepsift;
    fileBytes =
        static_cast<std::int64_t>(std::stod(bench::takeOption(argc, argv, "megabytes", "0")) * 1e6);
    bench::registerTimedRuns({{"fillOfAnEarlierIndex", fillOfAnEarlierIndex}},
                             bench::takeSizes(argc, argv, {100000}), 1);
    return bench::runWithGrowth(argc, argv);
}
