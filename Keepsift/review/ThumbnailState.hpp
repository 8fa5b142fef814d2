#pragma once

#include <memory>

#include "Keepsift/model/ImageSource.hpp"

namespace keepsift::app {

// What one thumbnail shows and which picture it asks for next. It never asks for a size it
// already has, and a late answer never replaces a sharper picture.
class ThumbnailState {
public:
    static constexpr int step = 256;
    static constexpr int previewSize = 512;

    // The pixel size asked for a view measured w x h points with this side: the largest of
    // the three times the screen's scale, rounded up to a multiple of 256.
    static int pixelSize(double width, double height, double side, double scale);

    const std::shared_ptr<const Image>& image() const { return image_; }
    int loadedFor() const { return loadedFor_; }

    // A full load for size p is worth making.
    bool needs(int p) const { return loadedFor_ < p; }
    // A fitted thumbnail shows a quick preview first while it has nothing.
    bool wantsPreview() const { return !image_; }

    // False when the answer was dropped.
    bool acceptFull(int p, std::shared_ptr<const Image> picture);
    bool acceptPreview(std::shared_ptr<const Image> picture);

private:
    std::shared_ptr<const Image> image_;
    int loadedFor_ = 0;
};

} // namespace keepsift::app
