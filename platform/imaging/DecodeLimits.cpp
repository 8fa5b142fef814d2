#include "platform/imaging/DecodeLimits.hpp"

namespace keepsift {
namespace {

bool withinSides(PixelSize size) {
    return size.width > 0 && size.height > 0 && size.width <= DecodeLimits::maximumSide &&
           size.height <= DecodeLimits::maximumSide;
}

} // namespace

// Both sides are at most 65,000, so the products below cannot overflow.
bool DecodeLimits::acceptsSource(PixelSize size) {
    return withinSides(size) && size.width * size.height <= maximumSourcePixels;
}

bool DecodeLimits::acceptsDecoded(PixelSize size) {
    return withinSides(size) && size.width * size.height <= maximumDecodedPixels;
}

} // namespace keepsift
