#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "core/model/Clock.hpp"
#include "platform/library/PhotoLibraryPort.hpp"

namespace keepsift {

// A developer diagnostic: what can the service still hand over, with network access
// refused, for photographs whose originals are no longer on this machine? It changes
// nothing and downloads nothing.
class StorageSpike {
public:
    struct Sample {
        std::string name;
        std::vector<PortAsset> assets;
    };

    static constexpr int launchSampleSize = 40;

    // The report text, every line also logged as it is written. A sample size below 1 is
    // taken as 1.
    static std::string run(PhotoLibraryPort& port, int sampleSize, const Clock& clock);
    static std::string run(PhotoLibraryPort& port, int sampleSize);
    // "oldest", "spread" and "newest", each of at most sampleSize photographs.
    static std::vector<Sample> samples(const std::vector<PortAsset>& assets, int sampleSize);
    // What "--spike-storage" does: runs with the launch sample size and appends the report
    // to the file, so successive runs stand one after the other. Returns the report.
    static std::string runAndAppend(PhotoLibraryPort& port, const std::filesystem::path& file);
};

} // namespace keepsift
