// What a change of every file's status (`chmod -R`, `chown -R`, a restore of permissions)
// costs a running Keepsift over a folder library of 3,000 real-size photographs (--sizes= for
// others, --megabytes= for another file size): the listing right after it, against one that
// finds nothing changed; the read-back of the files in the background, in steps as the pump
// runs them, with the page cache emptied of them first (cold); and the time a decision by hand
// takes to be answered meanwhile, against at rest; and, with no decision meanwhile, the whole
// saves and bytes the listing and the read-back write. Each figure is also carried over to
// 100,000 photographs. The files are small JPEGs with a random tail, written to a temporary folder
// and removed afterwards; the engine's own files go to a real folder too.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "bench/engine/CountingStorage.hpp"
#include "bench/engine/EngineLibrary.hpp"
#include "bench/library/DatedJpeg.hpp"
#include "bench/scaling/ScaledRun.hpp"
#include "core/scripted/CountingLibrary.hpp"
#include "core/scripted/FixtureSignalSource.hpp"
#include "photos/services/LiveServices.hpp"

namespace keepsift {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr double projected = 100000;
std::int64_t fileBytes = 3'200'000;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Yes : ConsentPrompt, DeletionConfirmation {
    bool askLibraryConsent(const std::string&) override { return true; }
    bool confirmDeletion(const std::vector<PortAsset>&) override { return false; }
};

// `count` photographs, 100 to a folder, each a dated JPEG followed by random bytes up to the
// file size.
void writePhotographs(const fs::path& pictures, int count) {
    DatedJpeg jpeg;
    std::mt19937_64 random(47);
    std::string tail(static_cast<std::size_t>(fileBytes), '\0');
    for (auto& byte : tail)
        byte = static_cast<char>(random());
    for (int i = 0; i < count; ++i) {
        const auto folder = pictures / ("folder-" + std::to_string(i / 100));
        if (i % 100 == 0) fs::create_directories(folder);
        const auto file = folder / ("photo-" + std::to_string(i) + ".jpg");
        jpeg.write(file, 20 + i / 8760 % 10, 1 + i / 730 % 12, 1 + i / 24 % 28, i % 24, i % 60,
                   i * 7 % 60);
        const auto size = static_cast<std::int64_t>(fs::file_size(file));
        std::ofstream(file, std::ios::binary | std::ios::app)
            .write(tail.data() + i % 4096, std::max<std::int64_t>(0, fileBytes - size - 4096));
    }
}

// Written out and dropped from the page cache, so that the next read comes from the disk.
void evict(const fs::path& pictures) {
    for (const auto& file : fs::recursive_directory_iterator(pictures)) {
        if (!file.is_regular_file() || file.is_symlink()) continue;
        const int fd = ::open(file.path().c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        ::fdatasync(fd);
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
}

// Group writing allowed, or taken away again.
void chmodEvery(const fs::path& pictures) {
    for (const auto& file : fs::recursive_directory_iterator(pictures))
        if (file.is_regular_file() && !file.is_symlink())
            fs::permissions(file.path(), fs::perms::group_write,
                            (file.status().permissions() & fs::perms::group_write) ==
                                    fs::perms::none
                                ? fs::perm_options::add
                                : fs::perm_options::remove);
}

// A home of its own, the photographs measured (with synthetic measurements, grouped) and their
// digests read, the album in step and all saved, as a long-running Keepsift leaves it.
struct Library {
    explicit Library(int photos) : photos(photos) {
        std::string pattern = (fs::temp_directory_path() / "ks-status-XXXXXX").string();
        root = ::mkdtemp(pattern.data());
        for (const char* name : {"XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
            ::setenv(name, (root / name).c_str(), 1);
        writePhotographs(root / "Pictures", photos);
        auto yes = std::make_shared<Yes>();
        services = makeLiveServices(root / "Pictures", {yes, yes});
        library = std::make_shared<CountingLibrary>(services.library);
        start();
        measureAll();
        engine->flush();
        start();
        readAllDigests();
        engine->syncRejectsAlbumIfNeeded();
        engine->flush();
    }
    ~Library() {
        engine.reset();
        services = {};
        std::error_code ignored;
        fs::remove_all(root, ignored);
        fs::remove_all(files, ignored);
    }

    void start() {
        engine = std::make_unique<ScanEngine>(
            library,
            std::make_shared<FixtureSignalSource>(std::vector<PhotoSignals>{},
                                                  FixtureSignalSource::Miss::refuse),
            storage, std::make_shared<SystemClock>());
        engine->ensureAuthorization(true);
        engine->refreshStorageMode();
        engine->reconcileWithLibrary();
    }

    void readAllDigests() {
        for (int step = 0; step < photos; ++step)
            if (engine->fillContentDigests(bench::running()) != DigestFill::more) return;
    }

    void measureAll() {
        const auto made = bench::makeEngineLibrary(photos);
        const auto index = engine->index();
        std::size_t next = 0;
        for (const auto& [id, entry] : index.entries) {
            PhotoSignals signals = made.signals.at(next++);
            signals.digest = id;
            signals.filename = entry.asset.filename;
            signals.capturedAt = entry.asset.createdAt;
            signals.pixelWidth = entry.asset.pixelWidth;
            signals.pixelHeight = entry.asset.pixelHeight;
            signals.fileSize = entry.asset.fileSize;
            engine->recordSignals(signals, id);
        }
        engine->regroup();
        for (const auto& [id, entry] : engine->index().entries)
            if (entry.state == ReviewState::keeper) decided.push_back(id);
    }

    const int photos;
    fs::path root;
    fs::path files = bench::makeFilesFolder("ks-status-files");
    std::shared_ptr<bench::CountingStorage> storage = bench::countedFolderStorage(files);
    LiveServices services;
    std::shared_ptr<CountingLibrary> library;
    std::unique_ptr<ScanEngine> engine;
    // Keepers to flag and keep again by hand.
    std::vector<std::string> decided;
};

// The median of a few listings.
double listingSeconds(ScanEngine& engine, int times) {
    std::vector<double> seconds;
    for (int i = 0; i < times; ++i) {
        const auto start = Clock::now();
        engine.reconcileWithLibrary();
        seconds.push_back(secondsSince(start));
    }
    std::sort(seconds.begin(), seconds.end());
    return seconds[seconds.size() / 2];
}

// Decisions by hand, one every 50 ms until told to stop or `count` are made: each flags a
// keeper by hand, or keeps it again. Their answer times, in milliseconds, sorted.
class Decisions {
public:
    Decisions(Library& library, int count) : library_(library), count_(count) {}
    void stop() {
        stopped_ = true;
        finish();
    }
    void finish() {
        if (thread_.joinable()) thread_.join();
    }
    void start() {
        thread_ = std::thread([this] { run(); });
    }
    double median() const { return answered_.empty() ? 0 : answered_[answered_.size() / 2]; }
    double slowest() const { return answered_.empty() ? 0 : answered_.back(); }
    std::size_t made() const { return answered_.size(); }

private:
    void run() {
        if (library_.decided.empty()) return;
        for (int i = 0; i < count_ && !stopped_; ++i) {
            const auto& id =
                library_.decided.at(static_cast<std::size_t>(i / 2) % library_.decided.size());
            const auto start = Clock::now();
            library_.engine->override(id, i % 2 == 1);
            answered_.push_back(secondsSince(start) * 1000);
            std::this_thread::sleep_for(50ms);
        }
        std::sort(answered_.begin(), answered_.end());
    }

    Library& library_;
    const int count_;
    std::atomic<bool> stopped_ = false;
    std::vector<double> answered_;
    std::thread thread_;
};

struct ReadBack {
    int steps = 0;
    double seconds = 0, slowestStep = 0;
};

// Steps one after another, as the pump task runs them, until none is left.
ReadBack readBack(ScanEngine& engine) {
    ReadBack run;
    const auto start = Clock::now();
    for (bool more = true; more; ++run.steps) {
        const auto step = Clock::now();
        more = engine.fillContentDigests(bench::running()) == DigestFill::more;
        run.slowestStep = std::max(run.slowestStep, secondsSince(step));
    }
    run.seconds = secondsSince(start);
    return run;
}

void chmodOfEveryFile(benchmark::State& state) {
    Library library(static_cast<int>(state.range(0)));
    auto& engine = *library.engine;
    const double scale = projected / library.photos;
    for (auto _ : state) {
        const double unchanged = listingSeconds(engine, 3);
        Decisions atRest(library, 20);
        atRest.start();
        atRest.finish();

        chmodEvery(library.root / "Pictures");
        evict(library.root / "Pictures");
        library.library->reads = 0;
        const auto listed = Clock::now();
        engine.reconcileWithLibrary();
        const double afterChmod = secondsSince(listed);
        const int listingReads = library.library->reads;

        evict(library.root / "Pictures");
        library.library->reads = 0;
        Decisions meanwhile(library, 1 << 20);
        meanwhile.start();
        const auto run = readBack(engine);
        meanwhile.stop();
        const int readBackReads = library.library->reads;
        library.library->reads = 0;
        const double further = listingSeconds(engine, 1);
        const int furtherReads = library.library->reads;
        // Once more with the files' headers in the page cache: the library's own part.
        chmodEvery(library.root / "Pictures");
        const auto warm = Clock::now();
        engine.reconcileWithLibrary();
        const double afterChmodWarm = secondsSince(warm);
        readBack(engine);
        // Once more with no decision made meanwhile: what the listing and the read-back write.
        chmodEvery(library.root / "Pictures");
        const auto written = [&] {
            const auto saves = library.storage->indexSaves.load();
            const auto megabytes = static_cast<double>(library.storage->bytes) / 1e6;
            library.storage->reset();
            return std::pair{saves, megabytes};
        };
        written();
        engine.reconcileWithLibrary();
        const auto listingWrote = written();
        readBack(engine);
        const auto readBackWrote = written();

        state.SetIterationTime(afterChmod);
        state.counters["listing_unchanged_s"] = unchanged;
        state.counters["listing_after_chmod_s"] = afterChmod;
        state.counters["listing_after_chmod_reads"] = listingReads;
        state.counters["listing_after_chmod_warm_s"] = afterChmodWarm;
        state.counters["readback_s"] = run.seconds;
        state.counters["readback_steps"] = run.steps;
        state.counters["readback_step_ms"] = run.seconds / std::max(1, run.steps) * 1000;
        state.counters["readback_slowest_step_ms"] = run.slowestStep * 1000;
        state.counters["readback_reads"] = readBackReads;
        state.counters["readback_GB"] =
            static_cast<double>(readBackReads) * static_cast<double>(fileBytes) / 1e9;
        state.counters["decision_at_rest_ms"] = atRest.median();
        state.counters["decision_at_rest_max_ms"] = atRest.slowest();
        state.counters["decision_during_ms"] = meanwhile.median();
        state.counters["decision_during_max_ms"] = meanwhile.slowest();
        state.counters["decisions_during"] = static_cast<double>(meanwhile.made());
        state.counters["listing_saves"] = listingWrote.first;
        state.counters["listing_written_MB"] = listingWrote.second;
        state.counters["readback_saves"] = readBackWrote.first;
        state.counters["readback_written_MB"] = readBackWrote.second;
        state.counters["at100k_readback_written_MB"] = readBackWrote.second * scale;
        state.counters["listing_further_s"] = further;
        state.counters["listing_further_reads"] = furtherReads;
        state.counters["at100k_listing_after_chmod_s"] = afterChmod * scale;
        state.counters["at100k_readback_min"] = run.seconds * scale / 60;
        state.counters["at100k_readback_GB"] =
            static_cast<double>(readBackReads) * static_cast<double>(fileBytes) * scale / 1e9;
    }
}

} // namespace
} // namespace keepsift

int main(int argc, char** argv) {
    using namespace keepsift;
    fileBytes = static_cast<std::int64_t>(
        std::stod(bench::takeOption(argc, argv, "megabytes", "3.2")) * 1e6);
    bench::registerTimedRuns({{"chmodOfEveryFile", chmodOfEveryFile}},
                             bench::takeSizes(argc, argv, {3000}), 1);
    return bench::runWithGrowth(argc, argv);
}
