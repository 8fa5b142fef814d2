// "Delete all" of flagged real-size photographs (500 of 5 MB unless --photos=N and
// --megabytes=M say otherwise), nothing changed since their digests were taken, each file out
// of the page cache before the run (posix_fadvise, as dropping every cache needs root): with
// no look at the bytes (as before each file was checked against its reviewed bytes), with
// every file read in full, and with the status taken with each digest checked instead. Each
// iteration trashes a freshly written set of photographs; only the delete is timed.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>

#include "bench/library/DatedJpeg.hpp"
#include "bench/scaling/ScaledRun.hpp"
#include "bench/scratch/ScratchFolder.hpp"
#include "platform/imaging/Sha256.hpp"
#include "platform/library/FolderPhotoLibrary.hpp"
#include "platform/library/ProvingStamp.hpp"

namespace keepsift {
namespace {

int photoCount = 500;
std::int64_t photoBytes = 5 << 20;

enum class Check { none, fullRead, status };

struct Confirming : DeletionConfirmation {
    bool confirmDeletion(const std::vector<PortAsset>&) override { return true; }
};

// What this process has had read from the disk so far, in bytes.
double bytesReadFromDisk() {
    std::ifstream io("/proc/self/io");
    std::string key;
    double value = 0;
    while (io >> key >> value)
        if (key == "read_bytes:") return value;
    return 0;
}

// The file's bytes on disk and out of the page cache.
void evict(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY);
    if (fd < 0) return;
    ::fdatasync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

class FlaggedPhotos {
public:
    FlaggedPhotos() {
        ::setenv("XDG_CACHE_HOME", (base_ / "cache").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (base_ / "config").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (base_ / "data").c_str(), 1);
        FolderLibraryOptions options;
        options.root = base_ / "Pictures";
        options.homeTrash = base_ / "data" / "Trash";
        options.deletionConfirmation = std::make_shared<Confirming>();
        std::filesystem::create_directories(options.root);
        library_ = std::make_unique<FolderPhotoLibrary>(options);
    }

    // A fresh set, listed, digested as measuring does once the files are old enough for
    // their status to prove them, and evicted from the page cache.
    std::pair<std::vector<PortAsset>, ReviewedContents> prepare(Check check) {
        std::filesystem::remove_all(base_ / "data" / "Trash");
        const auto folder = base_ / "Pictures" / ("set" + std::to_string(++sets_));
        std::filesystem::create_directories(folder);
        const std::string filler(static_cast<size_t>(photoBytes), '\x5a');
        for (int i = 0; i < photoCount; ++i) {
            const auto file = folder / ("IMG_" + std::to_string(i) + ".jpg");
            jpeg_.write(file, 20, 1 + i % 12, 1 + i % 28, i % 24, i % 60, (i / 60) % 60);
            std::ofstream(file, std::ios::app) << filler;
        }
        std::this_thread::sleep_for(std::chrono::nanoseconds(racyMarginNs + 100'000'000));
        auto assets = library_->fetchImageAssets();
        ReviewedContents reviewed;
        for (const auto& asset : assets)
            if (check != Check::none) reviewed.emplace(asset.localIdentifier, digestOf(asset));
        for (const auto& file : std::filesystem::directory_iterator(folder))
            evict(file.path());
        return {std::move(assets), std::move(reviewed)};
    }

    bool trash(const std::vector<PortAsset>& assets, const ReviewedContents& reviewed) {
        bool moved = false;
        library_->performChanges(
            [&](PortChangeRequests& requests) { requests.deleteAssets(assets, reviewed); },
            [&](bool success, std::optional<PortError>) { moved = success; });
        return moved;
    }

private:
    ReviewedBytes digestOf(const PortAsset& asset) {
        Sha256 digest;
        ReviewedBytes bytes;
        library_->requestProvenData(
            asset, asset.resources.front(), false,
            [&](const auto& chunk) {
                digest.add(chunk);
                bytes.size += static_cast<std::int64_t>(chunk.size());
            },
            [&](std::optional<PortError>, PortResourceManager::ReadProof proof) {
                bytes.status = proof.status;
            });
        bytes.digest = digest.finish().value_or("");
        return bytes;
    }

    bench::ScratchFolder base_{"delete-bench"};
    std::unique_ptr<FolderPhotoLibrary> library_;
    DatedJpeg jpeg_;
    int sets_ = 0;
};

FlaggedPhotos& photos() {
    static FlaggedPhotos photos;
    return photos;
}

void BM_DeleteAllCold(benchmark::State& state) {
    const auto check = static_cast<Check>(state.range(0));
    for (auto _ : state) {
        auto [assets, reviewed] = photos().prepare(check);
        int proven = 0;
        for (auto& [id, bytes] : reviewed) {
            if (check == Check::fullRead) bytes.status.reset();
            proven += bytes.status.has_value();
        }
        state.counters["proven"] = proven;
        const double readBefore = bytesReadFromDisk();
        const auto start = std::chrono::steady_clock::now();
        if (!photos().trash(assets, reviewed)) state.SkipWithError("not every photo moved");
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        state.counters["readMiB"] = (bytesReadFromDisk() - readBefore) / (1 << 20);
    }
    state.counters["photos"] = photoCount;
}
// 0: no look at the bytes; 1: every file read in full; 2: the status taken with its digest.
BENCHMARK(BM_DeleteAllCold)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

} // namespace
} // namespace keepsift

int main(int argc, char** argv) {
    using namespace keepsift;
    photoCount = std::atoi(bench::takeOption(argc, argv, "photos", "500").c_str());
    photoBytes = std::atoll(bench::takeOption(argc, argv, "megabytes", "5").c_str()) << 20;
    return bench::runBenchmarks(argc, argv);
}
