#include "photos/library/LivePhotoLibrary.hpp"

#include <exception>

#include "core/support/FirstAnswer.hpp"
#include "photos/library/AuthorizationMapping.hpp"
#include "photos/library/ChangeObserver.hpp"
#include "photos/library/RejectsAlbum.hpp"

namespace keepsift {
namespace {

// Every album's members except the rejects album's: the rejects album is ours, not the
// user's.
std::set<std::string> userAlbumMembers(PhotoLibraryPort& port) {
    std::set<std::string> members;
    for (const auto& album : port.fetchAllAlbums()) {
        if (album.type != PortAssetCollection::typeAlbum || hasRejectsTitle(album)) continue;
        for (auto& id : port.memberIdentifiers(album))
            members.insert(std::move(id));
    }
    return members;
}

using LinkTimes = std::map<std::string, std::optional<std::int64_t>>;

LibraryAsset libraryAsset(const PortAsset& asset, const LinkTimes& rejects,
                          const std::set<std::string>& inUserAlbum) {
    LibraryAsset result;
    result.id = asset.localIdentifier;
    result.filename = asset.filename.value_or(asset.localIdentifier);
    result.createdAt = asset.creationDate;
    result.modifiedAt = asset.modificationDate;
    result.pixelWidth = asset.pixelWidth;
    result.pixelHeight = asset.pixelHeight;
    // The primary file's size, so that a photograph found elsewhere is compared by its bytes
    // only when the sizes agree, and its identity, so that one replaced in place is told.
    if (!asset.resources.empty()) {
        result.fileSize = asset.resources.front().fileSize.value_or(0);
        result.file = asset.resources.front().file;
    }
    result.isFavourite = asset.isFavorite;
    result.isEdited = asset.hasAdjustments;
    result.isInUserAlbum = inUserAlbum.contains(asset.localIdentifier);
    if (const auto linked = rejects.find(asset.localIdentifier); linked != rejects.end()) {
        result.isRejected = true;
        result.linkedNs = linked->second;
    }
    return result;
}

} // namespace

LivePhotoLibrary::LivePhotoLibrary(std::shared_ptr<PhotoLibraryPort> port)
    : port_(std::move(port)) {}

LivePhotoLibrary::~LivePhotoLibrary() = default;

std::shared_ptr<ChangeObserver> LivePhotoLibrary::observer() const {
    std::lock_guard lock(mutex_);
    return observer_;
}

LibraryAuthorization LivePhotoLibrary::authorizationStatus() {
    return authorizationFromRaw(port_->authorizationStatus());
}

LibraryAuthorization LivePhotoLibrary::requestAuthorization() {
    const int raw = FirstAnswer<int>::await(
        [&](auto box) { port_->requestAuthorization([box](int status) { box->resume(status); }); });
    return authorizationFromRaw(raw);
}

std::vector<LibraryAsset> LivePhotoLibrary::fetchAssets() {
    const auto rejects = rejectsMembersWithTimes(*port_);
    const auto inUserAlbum = userAlbumMembers(*port_);
    std::vector<LibraryAsset> assets;
    for (const auto& asset : port_->fetchImageAssets()) {
        if (asset.mediaType != PortAsset::mediaTypeImage) continue;
        assets.push_back(libraryAsset(asset, rejects, inUserAlbum));
    }
    return assets;
}

std::vector<std::string> LivePhotoLibrary::unavailable(const std::vector<std::string>& missing) {
    return port_->unavailableIdentifiers(missing);
}

// A photograph whose folder cannot be read counts as not there.
std::vector<std::string> LivePhotoLibrary::present(const std::vector<std::string>& ids) {
    std::vector<std::string> found;
    try {
        for (auto& asset : port_->fetchAssetsWithLocalIdentifiers(ids))
            found.push_back(std::move(asset.localIdentifier));
    } catch (const std::exception&) {
        return {};
    }
    return found;
}

std::vector<LibraryAsset> LivePhotoLibrary::lookUp(const std::vector<std::string>& ids) {
    std::vector<LibraryAsset> found;
    try {
        for (const auto& asset : port_->fetchAssetsWithLocalIdentifiers(ids))
            if (asset.mediaType == PortAsset::mediaTypeImage)
                found.push_back(libraryAsset(asset, {}, {}));
    } catch (const std::exception&) {
        return {};
    }
    return found;
}

} // namespace keepsift
