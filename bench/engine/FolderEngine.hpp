#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/engine/CountingStorage.hpp"
#include "bench/scratch/ScratchFolder.hpp"
#include "core/engine/ScanEngine.hpp"
#include "core/scripted/CountingLibrary.hpp"
#include "photos/services/LiveServices.hpp"

namespace keepsift::bench {

// `count` photographs, 100 to a folder, each a dated JPEG followed by random bytes up to
// `fileBytes` (none when it is smaller than the JPEG).
void writePhotographs(const std::filesystem::path& pictures, int count, std::int64_t fileBytes);

// A home of its own under the temporary directory with a folder library of real photographs,
// measured (with synthetic measurements, grouped) and, unless told not to, their digests
// read, the album in step and all saved, as a long-running Keepsift leaves it; removed with it. The
// engine's files go to a real folder too, counted.
struct FolderEngine {
    FolderEngine(int photos, std::int64_t fileBytes, bool digests = true);
    ~FolderEngine();
    FolderEngine(const FolderEngine&) = delete;
    FolderEngine& operator=(const FolderEngine&) = delete;

    // A new engine over the same library and files, which lists the library.
    void start();
    std::filesystem::path pictures() const { return root / "Pictures"; }

    const int photos;
    ScratchFolder root{"ks-folder-engine"};
    ScratchFolder files{"ks-folder-engine-files"};
    std::shared_ptr<CountingStorage> storage;
    LiveServices services;
    std::shared_ptr<CountingLibrary> library;
    std::unique_ptr<ScanEngine> engine;
    // The keepers as measured, to flag and keep again by hand.
    std::vector<std::string> decided;

private:
    void measureAll();
    void readAllDigests();
};

} // namespace keepsift::bench
