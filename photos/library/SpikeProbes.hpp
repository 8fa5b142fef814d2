#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "photos/library/SpikeReport.hpp"
#include "platform/library/PhotoLibraryPort.hpp"

namespace keepsift {

// What the service hands over for one photograph with network access refused. Each asks
// one request at a time and waits for its first answer; there is no time limit.
namespace spike_probes {

// Target sizes tried from the largest down.
inline constexpr std::int64_t renditionLadder[] = {4032, 3024, 2048, 1600, 1440,
                                                   1280, 1152, 1024, 512,  256};

// The bytes of the first resource held on this machine; absent without a resource manager.
std::optional<std::vector<std::uint8_t>> offlineFile(PhotoLibraryPort& port,
                                                     const PortAsset& asset);
// Exact: a degraded rendition does not count.
std::optional<RenditionSize> offlinePixelSize(PhotoLibraryPort& port, const PortAsset& asset,
                                              std::int64_t target, bool exact);
std::optional<RenditionSize> largestOfflinePixelSize(PhotoLibraryPort& port,
                                                     const PortAsset& asset);
// Whether the resource listing knows a file size of at least one byte.
bool hasKnownFileSize(PhotoLibraryPort& port, const PortAsset& asset);

} // namespace spike_probes
} // namespace keepsift
