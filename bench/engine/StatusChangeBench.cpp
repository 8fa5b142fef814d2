// What a change of every file's status (`chmod -R`, `chown -R`, a restore of permissions)
// costs a running Keepsift over a folder library of 3,000 real-size photographs (--sizes= for
// others, --megabytes= for another file size): the listing right after it, against one that
// finds nothing changed; the read-back of the files in the background, in steps as the pump
// runs them, with the page cache emptied of them first (cold); and the time a decision by hand
// takes to be answered meanwhile, against at rest; and, with no decision meanwhile, the whole
// saves and bytes the listing and the read-back write. Each figure is also carried over to
// 100,000 photographs. The files are small JPEGs with a random tail, written to a temporary folder
// and removed afterwards; the engine's own files go to a real folder too. Then, apart, the bytes
// the change costs until all is saved (--benchmark_filter=bytesWrittenByChmod for that alone).
// The read-back's processor seconds are the whole process's, decisions meanwhile included.
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

#include "bench/engine/EngineLibrary.hpp"
#include "bench/engine/FolderEngine.hpp"
#include "bench/scaling/ProcessorTime.hpp"
#include "bench/scaling/ScaledRun.hpp"
#include "platform/imaging/tests/ReadCounting.hpp"

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
    Decisions(bench::FolderEngine& library, int count) : library_(library), count_(count) {}
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

    bench::FolderEngine& library_;
    const int count_;
    std::atomic<bool> stopped_ = false;
    std::vector<double> answered_;
    std::thread thread_;
};

struct ReadBack {
    int steps = 0;
    double seconds = 0, slowestStep = 0, processor = 0;
};

// Steps one after another, as the pump task runs them, until none is left.
ReadBack readBack(ScanEngine& engine) {
    ReadBack run;
    const auto start = Clock::now();
    const double processorBefore = bench::processorSeconds();
    for (bool more = true; more; ++run.steps) {
        const auto step = Clock::now();
        more = engine.fillContentDigests(bench::running()) == DigestFill::more;
        run.slowestStep = std::max(run.slowestStep, secondsSince(step));
    }
    run.seconds = secondsSince(start);
    run.processor = bench::processorSeconds() - processorBefore;
    return run;
}

void chmodOfEveryFile(benchmark::State& state) {
    bench::FolderEngine library(static_cast<int>(state.range(0)), fileBytes);
    auto& engine = *library.engine;
    const double scale = projected / library.photos;
    for (auto _ : state) {
        const double unchanged = listingSeconds(engine, 3);
        Decisions atRest(library, 20);
        atRest.start();
        atRest.finish();

        chmodEvery(library.pictures());
        evict(library.pictures());
        library.library->reads = 0;
        const auto listed = Clock::now();
        engine.reconcileWithLibrary();
        const double afterChmod = secondsSince(listed);
        const int listingReads = library.library->reads;

        evict(library.pictures());
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
        chmodEvery(library.pictures());
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
        const auto quiet = readBack(engine);
        const auto readBackWrote = written();

        state.SetIterationTime(afterChmod);
        state.counters["listing_unchanged_s"] = unchanged;
        state.counters["listing_after_chmod_s"] = afterChmod;
        state.counters["listing_after_chmod_reads"] = listingReads;
        state.counters["listing_after_chmod_warm_s"] = afterChmodWarm;
        state.counters["readback_s"] = run.seconds;
        state.counters["readback_cpu_s"] = run.processor;
        state.counters["readback_quiet_cpu_s"] = quiet.processor;
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

// What reaches the disk for the change, until all is saved, as a long-running Keepsift meets
// it (its last save further back than the save throttle): the listing after it, the
// read-back to its end, the flush after it and the close of the library, which commits the
// cache's last rows. The engine's saves are counted as it hands them over, and everything
// this process hands to write(2) (the catalogue cache and its log as well) as /proc/self/io
// counts it.
void bytesWrittenByChmod(benchmark::State& state) {
    bench::FolderEngine library(static_cast<int>(state.range(0)), fileBytes);
    auto& engine = *library.engine;
    const double scale = projected / library.photos;
    // The album's writes had a running Keepsift list the library again, which learnt the
    // links' times; that listing's save is the album's cost, not the change's.
    engine.reconcileWithLibrary();
    engine.flush();
    std::this_thread::sleep_for(31s);
    for (auto _ : state) {
        chmodEvery(library.pictures());
        library.storage->reset();
        const auto before = testing::processIo("wchar:");
        const auto start = Clock::now();
        engine.reconcileWithLibrary();
        readBack(engine);
        engine.flush();
        library.engine.reset();
        library.library.reset();
        library.services = {};
        state.SetIterationTime(secondsSince(start));
        const auto written = static_cast<double>(testing::processIo("wchar:") - before);
        const auto saved = static_cast<double>(library.storage->bytes.load());
        state.counters["index_saves"] = library.storage->indexSaves.load();
        state.counters["engine_MB"] = saved / 1e6;
        state.counters["written_MB"] = written / 1e6;
        state.counters["cache_and_rest_MB"] = (written - saved) / 1e6;
        state.counters["at100k_written_MB"] = written * scale / 1e6;
    }
}

} // namespace
} // namespace keepsift

int main(int argc, char** argv) {
    using namespace keepsift;
    fileBytes = static_cast<std::int64_t>(
        std::stod(bench::takeOption(argc, argv, "megabytes", "3.2")) * 1e6);
    bench::registerTimedRuns(
        {{"chmodOfEveryFile", chmodOfEveryFile}, {"bytesWrittenByChmod", bytesWrittenByChmod}},
        bench::takeSizes(argc, argv, {3000}), 1);
    return bench::runWithGrowth(argc, argv);
}
