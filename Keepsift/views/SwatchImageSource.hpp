#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "Keepsift/model/ImageSource.hpp"
#include "Keepsift/model/MainActor.hpp"

namespace keepsift::app {

// Interface-test pictures: a tile in a colour taken from the identifier, labelled with it, so
// screenshots are the same on every machine and need no photo library. Answers on the main
// actor, later, like every source.
class SwatchImageSource : public ImageSource {
public:
    explicit SwatchImageSource(std::shared_ptr<MainActor> mainActor);

    void thumbnail(const std::string& identifier, PixelSize size, ImageHandler done) override;
    void image(const std::string& identifier, PixelSize size, ImageHandler done) override;

    // The tile itself, exactly `size`; needs a GUI application for its font.
    static std::shared_ptr<const Image> swatch(const std::string& identifier, PixelSize size);
    // The 64-bit FNV-1a hash of the identifier's bytes, modulo 360.
    static int hueDegrees(const std::string& identifier);
    // The identifier with every "scenario-" taken out.
    static std::string label(const std::string& identifier);

private:
    std::shared_ptr<MainActor> mainActor_;
};

} // namespace keepsift::app
