// What a mount change elsewhere on the machine (a container, a snap, a share) costs an idle
// Keepsift over a library of 100,000 photographs (--sizes= for others): the processor time of
// the whole process, the listings, the times every folder was watched afresh, the whole saves
// of the index and the bytes written; for one change, and for 30 s of ten a second. And, for
// comparison, what one listing costs that finds nothing changed.
// The change watcher follows a real tree of the library's size (a folder of empty files for
// every 100 photographs); the mounts are made in a mount namespace of this process, in real
// time. The engine lists its library from memory, so a listing here costs less than the folder
// library's walk of real files; its files go to a real folder. Its clock runs with real time,
// 60 s past its last save as each run starts, as in an idle application.
#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <sched.h>
#include <stop_token>
#include <string>
#include <sys/mount.h>
#include <thread>
#include <unistd.h>

#include "bench/engine/SavedEngine.hpp"
#include "bench/scaling/ScaledRun.hpp"
#include "bench/scratch/ScratchFolder.hpp"
#include "platform/library/ChangeWatcher.hpp"

namespace keepsift {
namespace {

using namespace std::chrono_literals;

// Real time, moved on by the benchmark to stand for time spent idle.
class IdleClock : public Clock {
public:
    Date now() const override { return Date::now().adding(idle_.load()); }
    void idle(double seconds) { idle_ = idle_.load() + seconds; }

private:
    std::atomic<double> idle_ = 0;
};

double processSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// As the application's changes task: each notification is applied as a refresh, in order, and
// a regroup follows when it changed the index.
class ChangesTask {
public:
    explicit ChangesTask(ScanEngine& engine) : engine_(engine) {}
    void post() {
        std::lock_guard lock(mutex_);
        ++waiting_;
        changed_.notify_all();
    }
    void awaitIdle() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return waiting_ == 0 && !busy_; });
    }
    int listings() {
        std::lock_guard lock(mutex_);
        return listings_;
    }

private:
    void run(std::stop_token stop) {
        std::unique_lock lock(mutex_);
        while (changed_.wait(lock, stop, [&] { return waiting_ > 0; })) {
            --waiting_;
            busy_ = true;
            lock.unlock();
            if (engine_.handleLibraryChange(change::NeedsRefresh{})) engine_.regroup();
            lock.lock();
            busy_ = false;
            ++listings_;
            changed_.notify_all();
        }
    }

    ScanEngine& engine_;
    std::mutex mutex_;
    std::condition_variable_any changed_;
    int waiting_ = 0;
    bool busy_ = false;
    int listings_ = 0;
    std::jthread thread_{[this](std::stop_token stop) { run(stop); }};
};

// A library's folders: one of empty photographs for every 100, in a temporary folder that
// also holds the mount point elsewhere.
struct Tree {
    explicit Tree(int photos) {
        std::filesystem::create_directories(elsewhere());
        for (int i = 0; i < photos; ++i) {
            const auto folder = library() / ("folder-" + std::to_string(i / 100));
            if (i % 100 == 0) std::filesystem::create_directories(folder);
            const auto file = folder / ("photo-" + std::to_string(i) + ".jpg");
            ::close(::open(file.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644));
        }
    }
    std::filesystem::path library() const { return base / "Pictures"; }
    std::filesystem::path elsewhere() const { return base / "elsewhere"; }

    bench::ScratchFolder base{"ks-mounts"};
};

struct Rig {
    explicit Rig(int photos) : saved(photos, clock), tree(photos) {}

    void toggleMount() {
        if (mounted)
            ::umount2(tree.elsewhere().c_str(), MNT_DETACH);
        else
            ::mount("keepsift-bench", tree.elsewhere().c_str(), "tmpfs", 0, "size=1m");
        mounted = !mounted;
    }
    // The watcher delivers at most once a second, 150 ms after the first change.
    void settle() {
        std::this_thread::sleep_for(1500ms);
        changes.awaitIdle();
    }

    std::shared_ptr<IdleClock> clock = std::make_shared<IdleClock>();
    bench::SavedEngine saved;
    Tree tree;
    ChangesTask changes{*saved.engine};
    ChangeWatcher watcher{tree.library().string(), realFileSystem(), [this] { changes.post(); }};
    bool mounted = false;
};

Rig& rigFor(const benchmark::State& state) {
    static std::unique_ptr<Rig> current;
    const int photos = static_cast<int>(state.range(0));
    if (current && current->saved.photos == photos) return *current;
    current.reset();
    current = std::make_unique<Rig>(photos);
    current->settle();
    return *current;
}

// What the work costs until the watcher and the engine are quiet again.
template <class Work> void measure(benchmark::State& state, Work&& work) {
    auto& rig = rigFor(state);
    double cpu = 0;
    int listings = 0;
    std::uint64_t rewatches = 0;
    for (auto _ : state) {
        rig.clock->idle(60);
        rig.saved.storage->reset();
        const int listed = rig.changes.listings();
        const auto watched = rig.watcher.rewatches();
        const double begin = processSeconds();
        work(rig);
        rig.settle();
        cpu = processSeconds() - begin;
        listings = rig.changes.listings() - listed;
        rewatches = rig.watcher.rewatches() - watched;
        state.SetIterationTime(cpu);
        if (rig.mounted) {
            rig.toggleMount();
            rig.settle();
        }
    }
    state.counters["cpu_s"] = cpu;
    state.counters["listings"] = listings;
    state.counters["rewatches"] = static_cast<double>(rewatches);
    state.counters["saves"] = rig.saved.storage->indexSaves.load();
    state.counters["written_MB"] = static_cast<double>(rig.saved.storage->bytes) / 1e6;
}

// Mounts and unmounts elsewhere, ten a second.
void mountChanges(benchmark::State& state, int count) {
    measure(state, [count](Rig& rig) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < count; ++i) {
            std::this_thread::sleep_until(start + i * 100ms);
            rig.toggleMount();
        }
    });
}

void oneMountChange(benchmark::State& state) {
    mountChanges(state, 1);
}

void tenASecondFor30s(benchmark::State& state) {
    mountChanges(state, 300);
}

// One listing that finds the library as the index knows it (a file that is no photograph
// changed, say), handed to the engine as the watcher would.
void oneUnchangedListing(benchmark::State& state) {
    measure(state, [](Rig& rig) { rig.changes.post(); });
}

void registerAll(const std::vector<std::int64_t>& sizes) {
    bench::registerTimedRuns(
        {{"oneMountChange", oneMountChange}, {"oneUnchangedListing", oneUnchangedListing}}, sizes,
        5);
    bench::registerTimedRuns({{"tenASecondFor30s", tenASecondFor30s}}, sizes, 1);
}

// Mounts made here stay in this process; it must enter a namespace of its own before any
// thread starts.
bool enterOwnMounts() {
    return ::unshare(CLONE_NEWNS) == 0 &&
           ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

} // namespace
} // namespace keepsift

int main(int argc, char** argv) {
    if (!keepsift::enterOwnMounts()) {
        std::cerr << "mount-change-bench: mounts cannot be made here (needs root)\n";
        return 0;
    }
    keepsift::registerAll(keepsift::bench::takeSizes(argc, argv, {100000}));
    return keepsift::bench::runWithGrowth(argc, argv);
}
