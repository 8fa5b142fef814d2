#include "photos/library/StorageProbe.hpp"

#include "core/support/Logger.hpp"
#include "photos/library/InCloudQuestion.hpp"
#include "photos/library/LivePhotoLibrary.hpp"

namespace keepsift {
namespace {

std::vector<PortAsset> imageAssets(PhotoLibraryPort& port) {
    try {
        return port.fetchImageAssets();
    } catch (const PortFetchError& error) {
        Logger("com.ambervale.keepsift", "library")
            .error(std::string("storage probe: listing failed: ") + error.what());
        return {};
    }
}

} // namespace

std::vector<std::size_t> StorageProbe::samplePositions(std::size_t count) {
    const std::size_t stride = count < sampleLimit ? 1 : count / sampleLimit;
    std::vector<std::size_t> positions;
    for (std::size_t p = 0; p < count && positions.size() < sampleLimit; p += stride)
        positions.push_back(p);
    return positions;
}

LibraryStorage StorageProbe::storageMode(PhotoLibraryPort& port) {
    const auto assets = imageAssets(port);
    if (assets.empty()) return LibraryStorage::unknown;
    int answered = 0;
    int inCloud = 0;
    for (auto position : samplePositions(assets.size())) {
        const auto answer = isInCloud(port, assets[position]);
        if (!answer) continue;
        ++answered;
        if (*answer) ++inCloud;
    }
    if (answered == 0) return LibraryStorage::unknown;
    return inCloud > 0 ? LibraryStorage::optimised : LibraryStorage::local;
}

LibraryStorage LivePhotoLibrary::storageMode() {
    return StorageProbe::storageMode(*port_);
}

} // namespace keepsift
