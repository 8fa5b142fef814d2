#include "photos/library/SpikeProbes.hpp"

#include <mutex>

#include "core/support/FirstAnswer.hpp"
#include "photos/library/InCloudQuestion.hpp"
#include "platform/library/PortResourceManager.hpp"

namespace keepsift::spike_probes {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The service keeps no separate full-size or adjustment-base resources: the primary photo
// is the file.
constexpr PortResourceType fileResourceOrder[] = {PortResourceType::photo};

// Chunks arrive on the service's threads; the answer is what had arrived at completion.
struct Download {
    std::mutex mutex;
    Bytes bytes;
};

std::optional<Bytes> requestResource(PortResourceManager& manager, const PortAsset& asset,
                                     const PortAssetResource& resource) {
    auto download = std::make_shared<Download>();
    return FirstAnswer<std::optional<Bytes>>::await([&](auto box) {
        manager.requestData(
            asset, resource, false,
            [download](const Bytes& chunk) {
                std::lock_guard lock(download->mutex);
                download->bytes.insert(download->bytes.end(), chunk.begin(), chunk.end());
            },
            [download, box](std::optional<PortError> error) {
                std::optional<Bytes> bytes;
                {
                    std::lock_guard lock(download->mutex);
                    if (!error && !download->bytes.empty()) bytes = download->bytes;
                }
                box->resume(std::move(bytes));
            });
    });
}

} // namespace

std::optional<Bytes> offlineFile(PhotoLibraryPort& port, const PortAsset& asset) {
    auto* manager = dynamic_cast<PortResourceManager*>(&port);
    if (!manager) return std::nullopt;
    const auto resources = port.assetResources(asset);
    for (auto type : fileResourceOrder) {
        auto first = std::find_if(resources.begin(), resources.end(),
                                  [type](const auto& r) { return r.type == type; });
        if (first == resources.end()) continue;
        if (auto bytes = requestResource(*manager, asset, *first)) return bytes;
    }
    return std::nullopt;
}

std::optional<RenditionSize> offlinePixelSize(PhotoLibraryPort& port, const PortAsset& asset,
                                              std::int64_t target, bool exact) {
    return FirstAnswer<std::optional<RenditionSize>>::await([&](auto box) {
        port.requestImage(asset, target, offlineRequestOptions(),
                          [box, exact](std::optional<PortImage> image, PortImageInfo info) {
                              if (!image || (exact && info.isDegraded.value_or(false)))
                                  box->resume(std::nullopt);
                              else
                                  box->resume(RenditionSize{image->width, image->height});
                          });
    });
}

std::optional<RenditionSize> largestOfflinePixelSize(PhotoLibraryPort& port,
                                                     const PortAsset& asset) {
    for (auto target : renditionLadder)
        if (auto size = offlinePixelSize(port, asset, target, true)) return size;
    return std::nullopt;
}

bool hasKnownFileSize(PhotoLibraryPort& port, const PortAsset& asset) {
    const auto resources = port.assetResources(asset);
    return std::any_of(resources.begin(), resources.end(),
                       [](const auto& r) { return r.fileSize.value_or(0) >= 1; });
}

} // namespace keepsift::spike_probes
