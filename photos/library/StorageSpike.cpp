#include "photos/library/StorageSpike.hpp"

#include <algorithm>
#include <fstream>
#include <optional>

#include "photos/library/CaptureFacts.hpp"
#include "photos/library/InCloudQuestion.hpp"
#include "photos/library/SpikeProbes.hpp"
#include "photos/library/SpikeReport.hpp"

namespace keepsift {
namespace {

using namespace spike_probes;

std::int64_t size(const std::vector<PortAsset>& assets) {
    return static_cast<std::int64_t>(assets.size());
}

// The assets whose in-cloud answer is exactly `wanted`; no answer belongs to neither side.
std::vector<PortAsset> answering(PhotoLibraryPort& port, const std::vector<PortAsset>& assets,
                                 bool wanted) {
    std::vector<PortAsset> result;
    for (const auto& asset : assets)
        if (isInCloud(port, asset) == std::optional<bool>(wanted)) result.push_back(asset);
    return result;
}

std::optional<std::vector<PortAsset>> listing(PhotoLibraryPort& port, SpikeReport& report) {
    try {
        return port.fetchImageAssets();
    } catch (const PortFetchError& error) {
        report.emit(std::string("STOP: the library could not be listed: ") + error.what());
        return std::nullopt;
    }
}

void measureEvicted(PhotoLibraryPort& port, const PortAsset& asset, EvictedMeasures& m) {
    if (hasKnownFileSize(port, asset)) ++m.sized;
    if (auto file = offlineFile(port, asset)) {
        ++m.files;
        if (auto facts = CaptureFacts::read(*file)) {
            if (facts->hasOriginalDate) ++m.dates;
            if (facts->hasCameraMake) ++m.makes;
        }
    }
    if (offlinePixelSize(port, asset, 2048, true)) ++m.fullQuality;
    if (auto largest = largestOfflinePixelSize(port, asset)) {
        ++m.fromDisk;
        m.fromDiskSizes.push_back(*largest);
    }
}

std::vector<std::int64_t> longestEdges(PhotoLibraryPort& port,
                                       const std::vector<PortAsset>& assets) {
    std::vector<std::int64_t> edges;
    for (const auto& asset : assets)
        if (auto size = largestOfflinePixelSize(port, asset)) edges.push_back(size->longestEdge());
    return edges;
}

void perSample(PhotoLibraryPort& port, const StorageSpike::Sample& sample, SpikeReport& report) {
    std::int64_t evicted = 0;
    std::vector<std::int64_t> edges;
    for (const auto& asset : sample.assets) {
        if (isInCloud(port, asset) != std::optional<bool>(true)) continue;
        ++evicted;
        if (auto size = largestOfflinePixelSize(port, asset)) edges.push_back(size->longestEdge());
    }
    report.perSampleLine(sample.name, evicted, edges);
}

void control(PhotoLibraryPort& port, const std::vector<PortAsset>& chosen, SpikeReport& report) {
    report.emit("");
    const auto local = answering(port, chosen, false);
    report.controlHeading();
    if (local.empty()) return report.noControl();
    report.control(size(local), longestEdges(port, local));
}

// Everything after the originals section, once some sampled photograph is in the cloud.
void measure(PhotoLibraryPort& port, const std::vector<StorageSpike::Sample>& samples,
             const StorageSpike::Sample& chosen, std::int64_t best, SpikeReport& report) {
    report.measuringOver(best, chosen.name);
    EvictedMeasures m;
    const auto evicted = answering(port, chosen.assets, true);
    m.evicted = size(evicted);
    for (const auto& asset : evicted)
        measureEvicted(port, asset, m);
    report.evictedSection(m);
    report.perSampleHeading();
    for (const auto& sample : samples)
        perSample(port, sample, report);
    control(port, chosen.assets, report);
    report.midSyncCaution();
    report.verdict(m);
    report.closing();
}

} // namespace

std::vector<StorageSpike::Sample> StorageSpike::samples(const std::vector<PortAsset>& assets,
                                                        int sampleSize) {
    const std::size_t count = assets.size();
    const std::size_t n = static_cast<std::size_t>(std::max(sampleSize, 1));
    const std::size_t k = std::min(count, n);
    const std::size_t stride = std::max<std::size_t>(count / n, 1);
    std::vector<Sample> result{{"oldest", {}}, {"spread", {}}, {"newest", {}}};
    for (std::size_t i = 0; i < k; ++i) {
        result[0].assets.push_back(assets[i]);
        result[1].assets.push_back(assets[std::min(count - 1, i * stride)]);
        result[2].assets.push_back(assets[count - 1 - i]);
    }
    return result;
}

std::string StorageSpike::run(PhotoLibraryPort& port, int sampleSize, const Clock& clock) {
    SpikeReport report;
    const int status = port.authorizationStatus();
    report.header(clock.now(), status);
    if (status != port_authorization::authorized && status != port_authorization::limited) {
        report.noAccess();
        return report.text();
    }
    const auto assets = listing(port, report);
    if (!assets) return report.text();
    report.library(size(*assets));
    if (assets->empty()) return report.text();

    const auto all = samples(*assets, sampleSize);
    report.originalsHeading();
    const Sample* chosen = &all.front();
    std::int64_t best = 0;
    for (const auto& sample : all) {
        const auto inCloud = size(answering(port, sample.assets, true));
        report.originalsLine(sample.name, inCloud, size(sample.assets));
        if (inCloud > best) {
            chosen = &sample;
            best = inCloud;
        }
    }
    if (best < 1)
        report.notAskable();
    else
        measure(port, all, *chosen, best, report);
    return report.text();
}

std::string StorageSpike::run(PhotoLibraryPort& port, int sampleSize) {
    return run(port, sampleSize, SystemClock());
}

std::string StorageSpike::runAndAppend(PhotoLibraryPort& port, const std::filesystem::path& file) {
    auto text = run(port, launchSampleSize);
    std::ofstream out(file, std::ios::app | std::ios::binary);
    out << text << '\n';
    return text;
}

} // namespace keepsift
