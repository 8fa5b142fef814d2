#include "core/scripted/CountingLibrary.hpp"

namespace keepsift {

std::vector<LibraryAsset> CountingLibrary::fetchAssets() {
    ++listings;
    return ForwardingLibrary::fetchAssets();
}

std::optional<std::string> CountingLibrary::contentDigest(const std::string& id) {
    ++reads;
    if (beforeReading) beforeReading();
    return ForwardingLibrary::contentDigest(id);
}

} // namespace keepsift
