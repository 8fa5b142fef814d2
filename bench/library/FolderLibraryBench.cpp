// The folder photo library over a generated library of small JPEG files in nested folders,
// 100,000 unless --files=N says otherwise (rounded down to whole thousands): listing with a warm
// catalogue, listing without one (per file; the files themselves stay in the page cache, so
// this is not a cold disk), what one changed photograph costs, and how long a file change takes
// to reach a change observer. CPU figures are the whole process's.
#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "bench/library/DatedJpeg.hpp"
#include "bench/scaling/ScaledRun.hpp"
#include "bench/scratch/ScratchFolder.hpp"
#include "platform/library/FolderPhotoLibrary.hpp"

namespace keepsift {
namespace {

int folderCount = 100;
constexpr int subfolderCount = 10;
constexpr int filesPerFolder = 100;
int fileCount = folderCount * subfolderCount * filesPerFolder;

struct GeneratedLibrary {
    bench::ScratchFolder base{"folderlib-bench"};
    std::filesystem::path root;

    GeneratedLibrary() {
        root = base / "Pictures";
        ::setenv("XDG_CACHE_HOME", (base / "cache").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (base / "config").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (base / "data").c_str(), 1);
        DatedJpeg jpeg;
        int index = 0;
        for (int f = 0; f < folderCount; ++f)
            for (int s = 0; s < subfolderCount; ++s) {
                auto folder = root / ("year" + std::to_string(f)) / ("day" + std::to_string(s));
                std::filesystem::create_directories(folder);
                for (int i = 0; i < filesPerFolder; ++i, ++index) {
                    jpeg.write(folder / ("IMG_" + std::to_string(index) + ".jpg"), 10 + f % 15,
                               1 + s, 1 + i % 28, i % 24, index % 60, (index / 60) % 60);
                }
            }
        // One rejects album of a thousand links, as a scan leaves it.
        auto rejects = root / rejectsAlbumTitle;
        std::filesystem::create_directories(rejects);
        for (int i = 0; i < fileCount; i += 100)
            std::filesystem::create_symlink("../year" + std::to_string(i / 1000) + "/day" +
                                                std::to_string(i / 100 % 10) + "/IMG_" +
                                                std::to_string(i) + ".jpg",
                                            rejects / ("IMG_" + std::to_string(i) + ".jpg"));
    }

    std::unique_ptr<FolderPhotoLibrary> open(bool inotify = true) const {
        FolderLibraryOptions options;
        options.watcher.useInotify = inotify;
        options.root = root;
        options.catalogueFile = defaultCatalogueFile();
        return std::make_unique<FolderPhotoLibrary>(options);
    }
};

const GeneratedLibrary& generated() {
    static GeneratedLibrary library;
    return library;
}

void BM_FetchWarmCatalogue(benchmark::State& state) {
    auto library = generated().open();
    library->fetchImageAssets();
    for (auto _ : state) {
        auto assets = library->fetchImageAssets();
        if (assets.size() != static_cast<size_t>(fileCount))
            state.SkipWithError("incomplete listing");
        benchmark::DoNotOptimize(assets);
    }
    state.counters["files"] = fileCount;
}
BENCHMARK(BM_FetchWarmCatalogue)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// Everything a listing of the library asks of the service: the rejects album and its
// members, every album and its members, and the photographs.
void BM_FetchWithAlbums(benchmark::State& state) {
    auto library = generated().open();
    library->fetchImageAssets();
    for (auto _ : state) {
        size_t members = 0;
        for (const auto& album : library->fetchRegularAlbumsTitled(rejectsAlbumTitle))
            members += library->memberIdentifiers(album).size();
        for (const auto& album : library->fetchAllAlbums())
            members += library->memberIdentifiers(album).size();
        auto assets = library->fetchImageAssets();
        if (assets.size() != static_cast<size_t>(fileCount) ||
            members != static_cast<size_t>(2 * fileCount / 100))
            state.SkipWithError("incomplete listing");
        benchmark::DoNotOptimize(assets);
    }
}
BENCHMARK(BM_FetchWithAlbums)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// The first listing after start-up: the catalogue is read from its SQLite file first.
void BM_FetchWarmCatalogueAfterStart(benchmark::State& state) {
    generated().open()->fetchImageAssets();
    for (auto _ : state) {
        auto library = generated().open();
        auto assets = library->fetchImageAssets();
        if (assets.size() != static_cast<size_t>(fileCount))
            state.SkipWithError("incomplete listing");
        benchmark::DoNotOptimize(assets);
    }
}
BENCHMARK(BM_FetchWarmCatalogueAfterStart)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// One photograph rewritten between rounds (a byte appended), then argument 0: the service asked
// for it alone (the file is read again and its row written, whatever the size of the library);
// 1: the whole listing (a warm listing plus that one file).
void BM_OnePhotographChanged(benchmark::State& state) {
    auto library = generated().open();
    library->fetchImageAssets();
    const std::string id = "year0/day3/IMG_300.jpg";
    const bool whole = state.range(0) == 1;
    const auto touch = [&] { std::ofstream(generated().root / id, std::ios::app) << '\0'; };
    const auto fetch = [&] {
        return whole ? library->fetchImageAssets() : library->fetchAssetsWithLocalIdentifiers({id});
    };
    // One untimed round, so that no round pays for what earlier benchmarks left behind.
    touch();
    fetch();
    for (auto _ : state) {
        state.PauseTiming();
        touch();
        state.ResumeTiming();
        auto assets = fetch();
        if (assets.size() != (whole ? static_cast<size_t>(fileCount) : 1u))
            state.SkipWithError("incomplete listing");
    }
}
// A single file costs little: many rounds, so that the first one weighs little.
BENCHMARK(BM_OnePhotographChanged)
    ->MeasureProcessCPUTime()
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);
BENCHMARK(BM_OnePhotographChanged)
    ->MeasureProcessCPUTime()
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// The listing with the catalogue deleted: every file is read and parsed again, but from the page
// cache, where the listings before left the files (dropping it would need the whole machine).
void BM_FetchWithoutCatalogueFilesCached(benchmark::State& state) {
    double seconds = 0;
    for (auto _ : state) {
        std::filesystem::remove_all(defaultCatalogueFile().parent_path());
        auto library = generated().open();
        auto start = std::chrono::steady_clock::now();
        auto assets = library->fetchImageAssets();
        auto elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (assets.size() != static_cast<size_t>(fileCount))
            state.SkipWithError("incomplete listing");
        seconds += elapsed;
        state.SetIterationTime(elapsed);
    }
    state.counters["ms_per_file"] =
        seconds * 1000.0 / (static_cast<double>(state.iterations()) * fileCount);
}
BENCHMARK(BM_FetchWithoutCatalogueFilesCached)
    ->MeasureProcessCPUTime()
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

class Signal : public PortChangeObserver {
public:
    void photoLibraryDidChange() override {
        std::lock_guard lock(mutex_);
        ++count_;
        changed_.notify_all();
    }
    bool waitBeyond(int seen) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(30), [&] { return count_ > seen; });
    }
    int count() {
        std::lock_guard lock(mutex_);
        return count_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int count_ = 0;
};

// Seconds from writing a file to the observer hearing of it, with the production
// debounce; each round first lets the previous notification's interval pass.
void BM_ChangeNotificationDelay(benchmark::State& state) {
    auto library = generated().open(state.range(0) == 1);
    auto signal = std::make_shared<Signal>();
    library->registerChangeObserver(signal);
    auto file = generated().root / "year7/day3/IMG_7300.jpg";
    int round = 0;
    for (auto _ : state) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1100));
        int seen = signal->count();
        auto start = std::chrono::steady_clock::now();
        std::ofstream(file, std::ios::app) << static_cast<char>(round++);
        if (!signal->waitBeyond(seen)) state.SkipWithError("no notification");
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    library->unregisterChangeObserver(signal);
}
// Argument 1: inotify; 0: the polling fallback.
BENCHMARK(BM_ChangeNotificationDelay)
    ->MeasureProcessCPUTime()
    ->Arg(1)
    ->Arg(0)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

} // namespace
} // namespace keepsift

int main(int argc, char** argv) {
    using namespace keepsift;
    const int files = std::atoi(bench::takeOption(argc, argv, "files", "100000").c_str());
    folderCount = std::max(1, files / (subfolderCount * filesPerFolder));
    fileCount = folderCount * subfolderCount * filesPerFolder;
    return bench::runBenchmarks(argc, argv, [] { bench::printFilesAndPeakMemory(fileCount); });
}
