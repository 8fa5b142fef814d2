#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <opencv2/core.hpp>

#include "core/support/Date.hpp"

namespace keepsift {

// A library photograph as the extractor needs it.
struct LibraryPhoto {
    std::string localIdentifier;
    std::optional<Date> creationDate;
    std::int64_t pixelWidth = 0;
    std::int64_t pixelHeight = 0;
    // The "fileSize" of each resource in the library's order; absent when unknown.
    std::vector<std::optional<std::int64_t>> resourceFileSizes;
};

struct LibraryImageData {
    std::vector<std::uint8_t> data;
    std::optional<Date> createdAt;
};

// What the extractor asks of the photo library. Each call blocks until the library answers.
class ImageDataProvider {
public:
    virtual ~ImageDataProvider() = default;
    virtual std::optional<LibraryPhoto> fetchPhoto(const std::string& localIdentifier) = 0;
    // The current version's full image data, downloaded when it is not on this machine.
    virtual std::optional<LibraryImageData> imageData(const std::string& localIdentifier) = 0;
    // An upright BGR rendition of about target pixels on its long side from what is on this
    // machine; absent when there is none or only a degraded one.
    virtual std::optional<cv::Mat> offlineImage(const LibraryPhoto& photo, std::int64_t target) = 0;
};

} // namespace keepsift
