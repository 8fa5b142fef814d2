#pragma once

#include <cstdint>
#include <optional>

namespace keepsift {

struct PixelSize {
    std::int64_t width = 0;
    std::int64_t height = 0;

    std::int64_t longEdge() const { return width > height ? width : height; }
    bool operator==(const PixelSize&) const = default;
};

// A header can claim any size; these bounds keep a hostile or broken file from asking for
// gigabytes before a single pixel is read.
struct DecodeLimits {
    static constexpr std::int64_t maximumSide = 65'000;
    static constexpr std::int64_t maximumSourcePixels = 400'000'000;
    static constexpr std::int64_t maximumDecodedPixels = 120'000'000;
    // What one decode may take, counted from the header before decoding: a progressive
    // JPEG holds all its coefficients, two bytes for each pixel of each component.
    static constexpr std::int64_t maximumDecodeBytes = 1LL << 30;

    static bool acceptsSource(PixelSize size);
    static bool acceptsDecoded(PixelSize size);
};

} // namespace keepsift
