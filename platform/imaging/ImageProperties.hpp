#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/imaging/ImageFormat.hpp"

namespace keepsift {

// What the container says about an image, before any pixel is decoded. Sizes are the
// stored (not oriented) ones.
struct ImageProperties {
    ImageFormat format = ImageFormat::unknown;
    std::int64_t pixelWidth = 0;
    std::int64_t pixelHeight = 0;
    std::optional<std::uint32_t> orientation;
    std::optional<std::string> dateTimeOriginal;
    std::optional<std::string> make;
    std::optional<std::string> model;
    std::optional<std::string> lensModel;
    std::optional<std::string> software;

    bool operator==(const ImageProperties&) const = default;
};

} // namespace keepsift
