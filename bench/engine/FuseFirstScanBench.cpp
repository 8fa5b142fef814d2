// What the first scan of a folder library on a FUSE drive reads: 1,000 photographs (--sizes=
// for others) written to a folder and seen through `bindfs --ctime-from-mtime`, a drive whose
// status proves nothing, as exFAT and network shares behave, each measured by the live
// extractor as Keepsift measures it. Reported: the bytes this process read over the scan
// (/proc/self/io) beside the library's own bytes, where each file is to be read once, and the
// processor seconds. Skipped, with a message, where bindfs cannot mount here.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <string>

#include "bench/engine/CountingStorage.hpp"
#include "bench/engine/EngineLibrary.hpp"
#include "bench/library/ConsentingDialogs.hpp"
#include "bench/scaling/ProcessorTime.hpp"
#include "bench/scaling/ScaledRun.hpp"
#include "bench/scratch/ScratchFolder.hpp"
#include "core/engine/ScanEngine.hpp"
#include "photos/services/LiveServices.hpp"
#include "platform/imaging/tests/ReadCounting.hpp"

namespace keepsift {
namespace {

namespace fs = std::filesystem;

// Noise the size of a small camera file, one to a seed, 100 to a folder of the drive's
// backing folder; their bytes in all.
std::int64_t writePhotographs(const fs::path& folder, int count) {
    std::int64_t bytes = 0;
    cv::Mat image(600, 800, CV_8UC3);
    for (int i = 0; i < count; ++i) {
        const auto day = folder / ("day-" + std::to_string(i / 100));
        if (i % 100 == 0) fs::create_directories(day);
        cv::RNG(static_cast<std::uint64_t>(i) + 1).fill(image, cv::RNG::UNIFORM, 0, 256);
        const auto file = day / ("photo-" + std::to_string(i) + ".jpg");
        cv::imwrite(file.string(), image, {cv::IMWRITE_JPEG_QUALITY, 90});
        bytes += static_cast<std::int64_t>(fs::file_size(file));
    }
    return bytes;
}

// The backing folder seen through bindfs at the library's place, unmounted before both go.
struct FuseDrive {
    bench::ScratchFolder backing{"ks-fuse-backing"};
    bench::ScratchFolder home{"ks-fuse-home"};
    bool mounted = false;

    fs::path pictures() const { return home / "Pictures"; }
    bool mount() {
        fs::create_directories(pictures());
        const std::string command = "bindfs --ctime-from-mtime '" + backing.path().string() +
                                    "' '" + pictures().string() + "' 2>/dev/null";
        mounted = std::system(command.c_str()) == 0;
        return mounted;
    }
    ~FuseDrive() {
        if (mounted) [[maybe_unused]]
            const int unmounted =
                std::system(("fusermount -u '" + pictures().string() + "'").c_str());
    }
};

void firstScanOnFuse(benchmark::State& state) {
    const int photos = static_cast<int>(state.range(0));
    FuseDrive drive;
    const auto libraryBytes = static_cast<double>(writePhotographs(drive.backing, photos));
    if (!drive.mount())
        return state.SkipWithError("bindfs cannot mount here (it needs FUSE and root)");
    for (const char* name : {"XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
        ::setenv(name, (drive.home / name).c_str(), 1);
    const bench::ScratchFolder files("ks-fuse-files");
    for (auto _ : state) {
        auto yes = std::make_shared<bench::ConsentingDialogs>();
        auto services = makeLiveServices(drive.pictures(), {yes, yes});
        auto engine = std::make_unique<ScanEngine>(services.library, services.extractor,
                                                   bench::countedFolderStorage(files),
                                                   std::make_shared<SystemClock>());
        engine->ensureAuthorization(true);
        engine->refreshStorageMode();
        engine->reconcileWithLibrary();
        const auto readBefore = testing::bytesReadSoFar();
        const double processorBefore = bench::processorSeconds();
        while (engine->analyseNext(bench::running())) {
        }
        const auto read = static_cast<double>(testing::bytesReadSoFar() - readBefore);
        const double processor = bench::processorSeconds() - processorBefore;
        int measured = 0;
        for (const auto& [id, entry] : engine->index().entries)
            measured += entry.signals.has_value() && entry.contentDigest.has_value();
        state.SetIterationTime(processor);
        state.counters["measured_and_digested"] = measured;
        state.counters["library_MB"] = libraryBytes / 1e6;
        state.counters["read_MB"] = read / 1e6;
        state.counters["read_over_library"] = read / libraryBytes;
        state.counters["cpu_s"] = processor;
        engine.reset();
        services = {};
    }
}

} // namespace
} // namespace keepsift

int main(int argc, char** argv) {
    using namespace keepsift;
    bench::registerTimedRuns({{"firstScanOnFuse", firstScanOnFuse}},
                             bench::takeSizes(argc, argv, {1000}), 1);
    return bench::runWithGrowth(argc, argv);
}
