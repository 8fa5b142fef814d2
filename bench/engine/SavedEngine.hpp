#pragma once

#include <filesystem>
#include <memory>

#include "bench/engine/CountingStorage.hpp"
#include "bench/scratch/ScratchFolder.hpp"
#include "core/engine/ScanEngine.hpp"

namespace keepsift::bench {

// An engine over a measured library of this many photographs in step with its album, saved
// once, whose files go to a real folder of their own, removed with it.
struct SavedEngine {
    SavedEngine(int photos, std::shared_ptr<Clock> clock);
    ~SavedEngine();
    SavedEngine(const SavedEngine&) = delete;
    SavedEngine& operator=(const SavedEngine&) = delete;

    const int photos;
    ScratchFolder folder;
    std::shared_ptr<CountingStorage> storage;
    std::unique_ptr<ScanEngine> engine;
};

} // namespace keepsift::bench
