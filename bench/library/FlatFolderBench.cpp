// The first pass over a camera dump: 100,000 small JPEG files in one folder (--files=N says
// otherwise) against the same number spread over 100 folders. Each photograph is asked for
// its bytes, as measuring it does; the figure is photographs per second, and the flat folder
// should come within 20 % of the spread one. --measured=M measures only the first M.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

#include "bench/library/DatedJpeg.hpp"
#include "bench/scaling/ScaledRun.hpp"
#include "bench/scratch/ScratchFolder.hpp"
#include "platform/library/FolderPhotoLibrary.hpp"

namespace keepsift {
namespace {

int fileCount = 100000;
int measuredCount = 0;
constexpr int spreadFolders = 100;

// A dump copied some time ago: its folders' modification times lie an hour back.
void settle(const std::filesystem::path& folder) {
    timespec times[2] = {{0, UTIME_OMIT}, {::time(nullptr) - 3600, 0}};
    ::utimensat(AT_FDCWD, folder.c_str(), times, 0);
}

struct Libraries {
    bench::ScratchFolder base{"flat-bench"};

    Libraries() {
        ::setenv("XDG_CACHE_HOME", (base / "cache").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (base / "config").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (base / "data").c_str(), 1);
        DatedJpeg jpeg;
        std::filesystem::create_directories(root(true) / "dump");
        for (int f = 0; f < spreadFolders; ++f)
            std::filesystem::create_directories(root(false) / ("day" + std::to_string(f)));
        for (int i = 0; i < fileCount; ++i) {
            const std::string name = "IMG_" + std::to_string(i) + ".jpg";
            const int day = i * spreadFolders / fileCount;
            const int hour = i / 3600 % 24, minute = i / 60 % 60, second = i % 60;
            jpeg.write(root(true) / "dump" / name, 21, 1 + day / 28 % 12, 1 + day % 28, hour,
                       minute, second);
            jpeg.write(root(false) / ("day" + std::to_string(day)) / name, 21, 1 + day / 28 % 12,
                       1 + day % 28, hour, minute, second);
        }
        settle(root(true) / "dump");
        for (int f = 0; f < spreadFolders; ++f)
            settle(root(false) / ("day" + std::to_string(f)));
    }

    std::filesystem::path root(bool flat) const { return base / (flat ? "Flat" : "Spread"); }

    std::unique_ptr<FolderPhotoLibrary> open(bool flat) const {
        FolderLibraryOptions options;
        options.watcher.useInotify = false;
        options.root = root(flat);
        options.catalogueFile = base / (flat ? "flat.sqlite" : "spread.sqlite");
        return std::make_unique<FolderPhotoLibrary>(options);
    }
};

const Libraries& libraries() {
    static Libraries generated;
    return generated;
}

// Argument 1: the flat folder; 0: the spread library. The listing that starts the pass is
// not timed: only the measuring of each photograph is.
void BM_FirstPass(benchmark::State& state) {
    const bool flat = state.range(0) == 1;
    auto library = libraries().open(flat);
    auto assets = library->fetchImageAssets();
    if (measuredCount > 0 && assets.size() > static_cast<size_t>(measuredCount))
        assets.resize(static_cast<size_t>(measuredCount));
    double seconds = 0;
    for (auto _ : state) {
        size_t read = 0;
        auto start = std::chrono::steady_clock::now();
        for (const PortAsset& asset : assets)
            library->requestImageData(asset, {},
                                      [&](auto bytes, auto&&...) { read += bytes ? 1 : 0; });
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (read != assets.size()) state.SkipWithError("a photograph could not be read");
        seconds += elapsed;
        state.SetIterationTime(elapsed);
    }
    state.counters["photos_per_s"] =
        static_cast<double>(assets.size()) * static_cast<double>(state.iterations()) / seconds;
    state.counters["measured"] = static_cast<double>(assets.size());
}
BENCHMARK(BM_FirstPass)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

} // namespace
} // namespace keepsift

int main(int argc, char** argv) {
    using namespace keepsift;
    fileCount = std::max(spreadFolders,
                         std::atoi(bench::takeOption(argc, argv, "files", "100000").c_str()));
    measuredCount = std::atoi(bench::takeOption(argc, argv, "measured", "0").c_str());
    return bench::runBenchmarks(argc, argv, [] { bench::printFilesAndPeakMemory(fileCount); });
}
