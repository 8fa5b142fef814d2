#include "platform/imaging/MetadataReader.hpp"

#include "platform/imaging/EmbeddedMetadata.hpp"

namespace keepsift {

void readMetadata(std::span<const std::uint8_t> bytes, ImageProperties& properties) {
    // A damaged metadata block is no reason to give up on the pixels.
    auto metadata = readEmbeddedMetadata(bytes);
    if (!metadata) return;
    ImageProperties read = metadata->properties;
    read.format = properties.format;
    // The decoder's own reading of the size comes first.
    if (properties.pixelWidth != 0 || properties.pixelHeight != 0) {
        read.pixelWidth = properties.pixelWidth;
        read.pixelHeight = properties.pixelHeight;
    }
    properties = read;
}

} // namespace keepsift
