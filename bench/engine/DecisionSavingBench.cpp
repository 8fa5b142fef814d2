// What a decision by hand costs on a library of 100,000 photographs (--sizes= for others)
// whose files are written to a real folder: the time until the decision answers, the whole
// saves and bytes written, and the most heap memory held meanwhile above what was in use
// before.
// One decision alone, and five made 150 ms apart, as quick toggles in the review window; and
// ten links the user adds to the album in a file manager, 2 s apart by the engine's clock, each
// reported by the album's watcher, followed by the quit's flush.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench/engine/SavedEngine.hpp"
#include "bench/grouping/MemoryMeter.hpp"
#include "bench/scaling/ScaledRun.hpp"

namespace keepsift {
namespace {

using Seconds = std::chrono::duration<double>;

// The saved library and the photograph whose decision is taken next.
struct Deciding {
    std::unique_ptr<bench::SavedEngine> saved;
    int nextPhoto = 0;

    // A photograph not decided by hand yet, and the opposite of what the engine chose.
    std::pair<std::string, bool> nextDecision() {
        const std::string id = "photo-" + std::to_string(nextPhoto);
        nextPhoto += 7;
        const auto entry = saved->engine->index().entry(id);
        return {id, !entry || isFlagged(entry->state)};
    }
};

Deciding& deciding(const benchmark::State& state) {
    static Deciding current;
    const int photos = static_cast<int>(state.range(0));
    if (current.saved && current.saved->photos == photos) return current;
    current.saved.reset();
    current.saved = std::make_unique<bench::SavedEngine>(photos, std::make_shared<SystemClock>());
    return current;
}

// Decisions started `apart` seconds from each other, each on a thread of its own as the
// application's tasks make them; the time each took to answer.
std::vector<double> decide(Deciding& deciding, int count, double apart) {
    std::vector<double> answers(static_cast<size_t>(count));
    std::vector<std::thread> threads;
    const auto begin = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) {
        std::this_thread::sleep_until(begin + Seconds(apart * i));
        const auto [id, keep] = deciding.nextDecision();
        threads.emplace_back([&deciding, &answers, i, id = id, keep = keep] {
            const auto start = std::chrono::steady_clock::now();
            deciding.saved->engine->override(id, keep);
            answers[static_cast<size_t>(i)] =
                Seconds(std::chrono::steady_clock::now() - start).count();
        });
    }
    for (auto& thread : threads)
        thread.join();
    return answers;
}

void decisions(benchmark::State& state, int count) {
    auto& current = deciding(state);
    double first = 0, last = 0, peak = 0;
    for (auto _ : state) {
        current.saved->storage->reset();
        const std::size_t before = bench::heapInUse();
        bench::resetHeapPeak();
        const auto answers = decide(current, count, 0.150);
        peak = static_cast<double>(bench::heapPeak() - before) / (1 << 20);
        first = answers.front();
        last = *std::max_element(answers.begin(), answers.end());
        state.SetIterationTime(first);
    }
    state.counters["firstAnswer_s"] = first;
    state.counters["slowestAnswer_s"] = last;
    state.counters["saves"] = current.saved->storage->indexSaves.load();
    state.counters["written_MB"] = static_cast<double>(current.saved->storage->bytes) / 1e6;
    state.counters["heapPeakAbove_MiB"] = peak;
}

// Keepers not linked yet, `count` of them from `from` on.
std::vector<std::string> unlinkedKeepers(const ScanEngine& engine, int from, int count) {
    std::vector<std::string> ids;
    const auto index = engine.index();
    for (auto it = index.entries.begin(); it != index.entries.end() && std::ssize(ids) < count;
         ++it)
        if (from-- <= 0 && it->second.state == ReviewState::keeper && !it->second.asset.isRejected)
            ids.push_back(it->first);
    return ids;
}

void tenUserLinks(benchmark::State& state) {
    const auto clock = std::make_shared<MutableClock>("2025-01-01T00:00:00Z");
    bench::SavedEngine saved(static_cast<int>(state.range(0)), clock);
    int from = 0, linkSaves = 0, flushSaves = 0;
    double linkMB = 0, flushMB = 0;
    for (auto _ : state) {
        const auto ids = unlinkedKeepers(*saved.engine, from, 10);
        from += 1000;
        clock->advance(30);
        saved.engine->save();
        saved.storage->reset();
        const auto start = std::chrono::steady_clock::now();
        for (const auto& id : ids) {
            clock->advance(2);
            saved.engine->handleLibraryChange(change::RejectsAlbumChanged{{id}, {}});
        }
        state.SetIterationTime(Seconds(std::chrono::steady_clock::now() - start).count());
        linkSaves = saved.storage->indexSaves;
        linkMB = static_cast<double>(saved.storage->bytes) / 1e6;
        saved.storage->reset();
        saved.engine->flush();
        flushSaves = saved.storage->indexSaves;
        flushMB = static_cast<double>(saved.storage->bytes) / 1e6;
    }
    state.counters["linkSaves"] = linkSaves;
    state.counters["linkWritten_MB"] = linkMB;
    state.counters["quitFlushSaves"] = flushSaves;
    state.counters["quitFlushWritten_MB"] = flushMB;
}

void oneDecision(benchmark::State& state) {
    decisions(state, 1);
}

void fiveQuickDecisions(benchmark::State& state) {
    decisions(state, 5);
}

} // namespace
} // namespace keepsift

int main(int argc, char** argv) {
    keepsift::bench::registerTimedRuns({{"oneDecision", keepsift::oneDecision},
                                        {"fiveQuickDecisions", keepsift::fiveQuickDecisions},
                                        {"tenUserLinks", keepsift::tenUserLinks}},
                                       keepsift::bench::takeSizes(argc, argv, {100000}), 5);
    return keepsift::bench::runWithGrowth(argc, argv);
}
