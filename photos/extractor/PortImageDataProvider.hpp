#pragma once

#include <memory>

#include "photos/extractor/ImageDataProvider.hpp"
#include "platform/library/PhotoLibraryPort.hpp"

namespace keepsift {

// The extractor's view of the photo-library service: full image data with network access,
// renditions without it.
class PortImageDataProvider final : public ImageDataProvider {
public:
    explicit PortImageDataProvider(std::shared_ptr<PhotoLibraryPort> port);

    std::optional<LibraryPhoto> fetchPhoto(const std::string& localIdentifier) override;
    std::optional<LibraryImageData> imageData(const std::string& localIdentifier) override;
    std::optional<cv::Mat> offlineImage(const LibraryPhoto& photo, std::int64_t target) override;

    // Interleaved RGB rows to BGR pixels; absent when the sizes do not match the bytes.
    static std::optional<cv::Mat> pixels(const PortImage& image);

private:
    std::optional<PortAsset> asset(const std::string& localIdentifier);

    std::shared_ptr<PhotoLibraryPort> port_;
};

} // namespace keepsift
