#include "platform/imaging/ContainerLayout.hpp"

namespace keepsift {
namespace {

std::int64_t area(PixelSize size) {
    const bool within = size.width > 0 && size.height > 0 &&
                        size.width <= DecodeLimits::maximumSide &&
                        size.height <= DecodeLimits::maximumSide;
    return within ? size.width * size.height : 0;
}

} // namespace

void keepLargerPicture(ContainerLayout& layout, PixelSize picture) {
    if (area(picture) > area(layout.picture.value_or(PixelSize{}))) layout.picture = picture;
}

} // namespace keepsift
