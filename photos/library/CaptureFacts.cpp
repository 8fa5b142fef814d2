#include "photos/library/CaptureFacts.hpp"

#include "platform/imaging/EmbeddedMetadata.hpp"

namespace keepsift {

std::optional<CaptureFacts> CaptureFacts::read(const std::vector<std::uint8_t>& file) {
    auto metadata = readEmbeddedMetadata(file);
    if (!metadata) return std::nullopt;
    return CaptureFacts{metadata->properties.dateTimeOriginal.has_value(),
                        metadata->properties.make.has_value()};
}

} // namespace keepsift
