#include "platform/library/MetadataReader.hpp"

#include <utility>

#include "platform/imaging/EmbeddedMetadata.hpp"

namespace keepsift {
namespace {

void copyDimensions(const EmbeddedMetadata& metadata, FileFacts& facts) {
    facts.pixelWidth = metadata.properties.pixelWidth;
    facts.pixelHeight = metadata.properties.pixelHeight;
    if (facts.pixelWidth <= 0 || facts.pixelHeight <= 0) {
        facts.pixelWidth = metadata.exifPixelWidth.value_or(0);
        facts.pixelHeight = metadata.exifPixelHeight.value_or(0);
    }
    facts.orientation = static_cast<int>(metadata.properties.orientation.value_or(1));
    if (facts.orientation >= 5) std::swap(facts.pixelWidth, facts.pixelHeight);
}

} // namespace

FileFacts readImageFacts(const std::string& path) {
    FileFacts facts;
    auto metadata = readEmbeddedMetadata(path);
    if (!metadata) return facts;
    facts.readable = true;
    copyDimensions(*metadata, facts);
    facts.dateTimeOriginal = metadata->properties.dateTimeOriginal;
    facts.rating = metadata->rating;
    return facts;
}

FileFacts readSidecarFacts(const std::string& path) {
    FileFacts facts;
    auto metadata = readEmbeddedMetadata(path);
    if (!metadata) return facts;
    facts.readable = true;
    facts.rating = metadata->rating;
    facts.editHistory = metadata->editHistory;
    return facts;
}

} // namespace keepsift
