#include "core/scripted/CountingLibrary.hpp"

namespace keepsift {

std::vector<LibraryAsset> CountingLibrary::fetchAssets() {
    ++listings;
    return base_->fetchAssets();
}

std::optional<std::string> CountingLibrary::contentDigest(const std::string& id) {
    ++reads;
    if (beforeReading) beforeReading();
    return base_->contentDigest(id);
}

} // namespace keepsift
