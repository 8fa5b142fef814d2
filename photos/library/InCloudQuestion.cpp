#include "photos/library/InCloudQuestion.hpp"

#include "core/support/FirstAnswer.hpp"

namespace keepsift {

PortImageRequestOptions offlineRequestOptions() {
    PortImageRequestOptions options;
    options.networkAccessAllowed = false;
    options.synchronous = false;
    options.deliveryMode = 1;
    options.version = 0;
    options.resizeMode = 1;
    return options;
}

std::optional<bool> isInCloud(PhotoLibraryPort& port, const PortAsset& asset) {
    return FirstAnswer<std::optional<bool>>::await([&](auto box) {
        port.requestImageData(asset, offlineRequestOptions(),
                              [box](std::optional<std::vector<std::uint8_t>> data, std::string, int,
                                    PortImageInfo info) {
                                  if (data)
                                      box->resume(false);
                                  else
                                      box->resume(info.isInCloud);
                              });
    });
}

} // namespace keepsift
