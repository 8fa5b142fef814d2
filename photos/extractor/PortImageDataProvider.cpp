#include "photos/extractor/PortImageDataProvider.hpp"

#include <opencv2/imgproc.hpp>

#include "core/support/Checked.hpp"
#include "core/support/FirstAnswer.hpp"

namespace keepsift {

namespace {

// The current version in high quality; the network only where the caller allows it.
PortImageRequestOptions requestOptions(bool networkAccessAllowed) {
    PortImageRequestOptions options;
    options.networkAccessAllowed = networkAccessAllowed;
    options.synchronous = false;
    options.deliveryMode = 1;
    options.resizeMode = 1;
    options.version = 0;
    return options;
}

} // namespace

PortImageDataProvider::PortImageDataProvider(std::shared_ptr<PhotoLibraryPort> port)
    : port_(std::move(port)) {}

std::optional<PortAsset> PortImageDataProvider::asset(const std::string& localIdentifier) {
    auto assets = port_->fetchAssetsWithLocalIdentifiers({localIdentifier});
    if (assets.empty()) return std::nullopt;
    return assets.front();
}

std::optional<LibraryPhoto> PortImageDataProvider::fetchPhoto(const std::string& localIdentifier) {
    auto found = asset(localIdentifier);
    if (!found) return std::nullopt;
    LibraryPhoto photo{
        found->localIdentifier, found->creationDate, found->pixelWidth, found->pixelHeight, {}};
    for (const auto& resource : port_->assetResources(*found))
        photo.resourceFileSizes.push_back(resource.fileSize);
    return photo;
}

std::optional<LibraryImageData>
PortImageDataProvider::imageData(const std::string& localIdentifier) {
    auto found = asset(localIdentifier);
    if (!found) return std::nullopt;
    auto options = requestOptions(true);
    auto createdAt = found->creationDate;
    return FirstAnswer<std::optional<LibraryImageData>>::await([&](auto answer) {
        port_->requestImageData(
            *found, options,
            [answer, createdAt](std::optional<std::vector<std::uint8_t>> data, std::string, int,
                                PortImageInfo) {
                if (!data)
                    answer->resume(std::nullopt);
                else
                    answer->resume(LibraryImageData{std::move(*data), createdAt});
            });
    });
}

std::optional<cv::Mat> PortImageDataProvider::offlineImage(const LibraryPhoto& photo,
                                                           std::int64_t target) {
    auto found = asset(photo.localIdentifier);
    if (!found) return std::nullopt;
    auto options = requestOptions(false);
    return FirstAnswer<std::optional<cv::Mat>>::await([&](auto answer) {
        port_->requestImage(*found, target, options,
                            [answer](std::optional<PortImage> image, PortImageInfo info) {
                                if (info.isDegraded.value_or(false) || !image)
                                    answer->resume(std::nullopt);
                                else
                                    answer->resume(pixels(*image));
                            });
    });
}

std::optional<cv::Mat> PortImageDataProvider::pixels(const PortImage& image) {
    if (image.width <= 0 || image.height <= 0 || image.width > 65'000 || image.height > 65'000)
        return std::nullopt;
    auto area = checkedMultiply(image.width, image.height);
    auto bytes = area ? checkedMultiply(*area, 3) : std::nullopt;
    if (!bytes || *bytes != static_cast<std::int64_t>(image.rgb.size())) return std::nullopt;
    cv::Mat rgb(static_cast<int>(image.height), static_cast<int>(image.width), CV_8UC3,
                const_cast<std::uint8_t*>(image.rgb.data()));
    cv::Mat bgr;
    cv::cvtColor(rgb, bgr, cv::COLOR_RGB2BGR);
    return bgr;
}

} // namespace keepsift
