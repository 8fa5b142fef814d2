#include "core/scripted/CountingLibrary.hpp"

namespace keepsift {

std::vector<LibraryAsset> CountingLibrary::fetchAssets() {
    ++listings;
    return ForwardingLibrary::fetchAssets();
}

std::optional<std::string> CountingLibrary::contentDigest(const std::string& id) {
    noteRead();
    return ForwardingLibrary::contentDigest(id);
}

std::optional<DigestRead> CountingLibrary::readDigest(const std::string& id) {
    noteRead();
    return ForwardingLibrary::readDigest(id);
}

void CountingLibrary::noteRead() {
    ++reads;
    if (beforeReading) beforeReading();
}

} // namespace keepsift
