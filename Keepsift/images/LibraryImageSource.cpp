#include "Keepsift/images/LibraryImageSource.hpp"

#include <algorithm>
#include <optional>
#include <vector>

#include "Keepsift/images/PhotoDecoding.hpp"
#include "core/support/FirstAnswer.hpp"
#include "core/support/UsableCpus.hpp"

namespace keepsift::app {
namespace {

using Bytes = std::optional<std::vector<std::uint8_t>>;

int threadsFor(int asked) {
    if (asked > 0) return asked;
    return std::clamp(static_cast<int>(usableCpus()) - 1, 1, 3);
}

PortImageRequestOptions networkAllowed() {
    PortImageRequestOptions options;
    options.networkAccessAllowed = true;
    return options;
}

} // namespace

LibraryImageSource::LibraryImageSource(std::shared_ptr<PhotoLibraryPort> library, PostToMain post)
    : LibraryImageSource(std::move(library), std::move(post), Options{}) {}

LibraryImageSource::LibraryImageSource(std::shared_ptr<PhotoLibraryPort> library, PostToMain post,
                                       Options options)
    : library_(std::move(library)), post_(std::move(post)), cache_(options.cacheBytes),
      pool_(threadsFor(options.threads)) {}

LibraryImageSource::~LibraryImageSource() = default;

void LibraryImageSource::thumbnail(const std::string& identifier, PixelSize size,
                                   ImageHandler done) {
    request(identifier, size, std::move(done));
}

void LibraryImageSource::image(const std::string& identifier, PixelSize size, ImageHandler done) {
    request(identifier, size, std::move(done));
}

void LibraryImageSource::request(const std::string& identifier, PixelSize size, ImageHandler done) {
    if (auto cached = cache_.find(identifier, size)) {
        post_([done = std::move(done), cached] { done(cached); });
        return;
    }
    pool_.submit([this, identifier, size, done = std::move(done)]() mutable {
        auto picture = load(identifier, std::max(size.width, size.height));
        if (picture) cache_.insert(identifier, size, picture);
        post_([done = std::move(done), picture] { done(picture); });
    });
}

std::shared_ptr<const Image> LibraryImageSource::load(const std::string& identifier, int target) {
    if (target < 1 || identifier.empty()) return nullptr;
    PortAsset asset;
    asset.localIdentifier = identifier;
    if (auto picture = fromOriginal(asset, target)) return picture;
    return fromRendition(asset, target);
}

std::shared_ptr<const Image> LibraryImageSource::fromOriginal(const PortAsset& asset, int target) {
    Bytes bytes = FirstAnswer<Bytes>::await([&](auto box) {
        library_->requestImageData(
            asset, networkAllowed(),
            [box](Bytes data, std::string, int, PortImageInfo) { box->resume(std::move(data)); });
    });
    if (!bytes || bytes->empty()) return nullptr;
    return decodePhoto(*bytes, target);
}

std::shared_ptr<const Image> LibraryImageSource::fromRendition(const PortAsset& asset, int target) {
    using Answer = std::optional<PortImage>;
    Answer rendition = FirstAnswer<Answer>::await([&](auto box) {
        library_->requestImage(asset, target, networkAllowed(), [box](Answer image, PortImageInfo) {
            box->resume(std::move(image));
        });
    });
    if (!rendition) return nullptr;
    return imageFromPort(*rendition, target);
}

} // namespace keepsift::app
