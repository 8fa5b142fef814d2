#include "photos/corpus-tool/ParallelMeasure.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "photos/corpus-tool/CorpusFolders.hpp"
#include "photos/corpus-tool/FileDigest.hpp"

namespace keepsift::corpustool {
namespace {

// The count of finished files, which the calling thread waits on.
class DoneCounter {
public:
    void add() {
        {
            std::lock_guard lock(mutex_);
            ++done_;
        }
        changed_.notify_one();
    }
    // The count once it reaches `total` or the wait times out.
    size_t wait(size_t total, std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, timeout, [&] { return done_ >= total; });
        return done_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    size_t done_ = 0;
};

} // namespace

MeasureOutcome measureFile(const fs::path& file, SignalSource& source) {
    const auto digest = fileDigest(file);
    if (!digest) return {std::nullopt, "cannot be read"};
    AssetReference reference;
    reference.digest = *digest;
    reference.filename = fileName(file);
    reference.fileURL = file.string();
    std::optional<PhotoSignals> signals;
    try {
        signals = source.signals(reference);
    } catch (const std::exception& failure) {
        return {std::nullopt, std::string("measurement failed: ") + failure.what()};
    }
    if (!signals) return {std::nullopt, "not readable as a photograph"};
    // The recording keys photographs by the digest of their bytes.
    signals->digest = reference.digest;
    signals->filename = reference.filename;
    return {std::move(signals), {}};
}

std::vector<MeasureOutcome> measureAll(const std::vector<fs::path>& files, SignalSource& source,
                                       unsigned workers,
                                       const std::function<void(size_t)>& progress) {
    std::vector<MeasureOutcome> outcomes(files.size());
    std::atomic<size_t> next = 0;
    DoneCounter done;
    {
        std::vector<std::jthread> threads;
        const size_t count = std::clamp<size_t>(workers, 1, std::max<size_t>(files.size(), 1));
        for (size_t i = 0; i < count; ++i)
            threads.emplace_back([&] {
                for (size_t index; (index = next.fetch_add(1)) < files.size(); done.add())
                    outcomes[index] = measureFile(files[index], source);
            });
        size_t finished = 0;
        while ((finished = done.wait(files.size(), std::chrono::milliseconds(200))) < files.size())
            progress(finished);
    }
    progress(files.size());
    return outcomes;
}

} // namespace keepsift::corpustool
