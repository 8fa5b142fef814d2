#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace keepsift::app {

// Pixel dimensions as the caller computes them (device pixels, not points).
struct PixelSize {
    int width = 0;
    int height = 0;
    bool operator==(const PixelSize&) const = default;
};

// A decoded picture in 8-bit RGBA, rows packed; shared because caches and views hold it together.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
};

using ImageHandler = std::function<void(std::shared_ptr<const Image>)>;

// The application module lives in keepsift::app (the decoders own keepsift::ImageSource).
// Turns a photo's identifier and a wanted size into an image. Callers and handlers are on the main
// actor; the source does its work elsewhere and answers exactly once per request, nullptr when
// there is no image.
class ImageSource {
public:
    virtual ~ImageSource() = default;
    virtual void thumbnail(const std::string& identifier, PixelSize size, ImageHandler done) = 0;
    virtual void image(const std::string& identifier, PixelSize size, ImageHandler done) = 0;
};

} // namespace keepsift::app
