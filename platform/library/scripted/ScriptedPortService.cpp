// The service side of the scripted port: what the adapters call.
#include <algorithm>

#include "platform/library/scripted/ScriptedChangeRequests.hpp"
#include "platform/library/scripted/ScriptedPhotoLibraryPort.hpp"

namespace keepsift {
namespace {

PortError notOnThisMachine() {
    return {PortError::photosDomain, 3164, "the resource is not on this machine"};
}

bool contains(const std::vector<std::string>& list, const std::string& id) {
    return std::find(list.begin(), list.end(), id) != list.end();
}

void erase(std::vector<std::string>& list, const std::string& id) {
    list.erase(std::remove(list.begin(), list.end(), id), list.end());
}

PortImageInfo contrary(const std::optional<bool>& inCloud) {
    PortImageInfo info;
    info.isInCloud = !inCloud.value_or(false);
    return info;
}

} // namespace

int ScriptedPhotoLibraryPort::authorizationStatus() {
    countCall();
    std::lock_guard lock(mutex_);
    return status_;
}

void ScriptedPhotoLibraryPort::requestAuthorization(std::function<void(int status)> handler) {
    countCall();
    int status;
    {
        std::lock_guard lock(mutex_);
        status_ = answerToRequest_;
        status = status_;
    }
    answer([handler, status] { handler(status); },
           [handler, status] { handler(status == 0 ? 2 : 0); });
}

std::vector<PortAsset> ScriptedPhotoLibraryPort::fetchImageAssets() {
    countCall();
    std::lock_guard lock(mutex_);
    if (failFetches_) throw PortFetchError("the scripted listing failed");
    std::vector<PortAsset> images;
    std::copy_if(assets_.begin(), assets_.end(), std::back_inserter(images),
                 [](const auto& a) { return a.mediaType == PortAsset::mediaTypeImage; });
    return images;
}

std::vector<PortAsset>
ScriptedPhotoLibraryPort::fetchAssetsWithLocalIdentifiers(const std::vector<std::string>& ids) {
    countCall();
    std::lock_guard lock(mutex_);
    std::vector<PortAsset> found;
    for (const auto& asset : assets_)
        if (contains(ids, asset.localIdentifier)) found.push_back(asset);
    return found;
}

std::vector<PortAssetCollection>
ScriptedPhotoLibraryPort::fetchRegularAlbumsTitled(const std::string& title) {
    countCall();
    std::lock_guard lock(mutex_);
    std::vector<PortAssetCollection> found;
    for (const auto& album : albums_)
        if (album.collection.localizedTitle == title &&
            album.collection.subtype == PortAssetCollection::subtypeAlbumRegular)
            found.push_back(album.collection);
    return found;
}

std::vector<PortAssetCollection> ScriptedPhotoLibraryPort::fetchAllAlbums() {
    countCall();
    return albums();
}

std::vector<std::string> ScriptedPhotoLibraryPort::memberIdentifiers(const PortAssetCollection& a) {
    countCall();
    return albumMembers(a.localIdentifier);
}

void ScriptedPhotoLibraryPort::performChanges(PortChangeBlock block,
                                              PortChangeCompletion completion) {
    countCall();
    bool available;
    {
        std::lock_guard lock(mutex_);
        ++changeBlocks_;
        available = !withholdRequests_;
    }
    ScriptedChangeRequests requests(available);
    block(requests);
    auto [success, error] = applyChanges(requests);
    answer([completion, success, error] { completion(success, error); },
           [completion, success] { completion(!success, std::nullopt); });
}

std::pair<bool, std::optional<PortError>>
ScriptedPhotoLibraryPort::applyChanges(const ScriptedChangeRequests& requests) {
    std::lock_guard lock(mutex_);
    if (failChanges_) return {false, changeError_};
    if (!requests.deletedIds().empty() && refuseDeletion_) return {false, PortError::cancelled()};
    for (const auto& title : requests.createdTitles())
        albums_.push_back(
            {{"album-" + std::to_string(nextAlbum_++), title, PortAssetCollection::typeAlbum,
              PortAssetCollection::subtypeAlbumRegular},
             {}});
    for (const auto& edit : requests.edits())
        if (auto* album = albumLocked(edit.albumId)) applyEditLocked(*album, edit);
    for (const auto& id : requests.deletedIds()) {
        std::erase_if(assets_, [&](const auto& a) { return a.localIdentifier == id; });
        for (auto& album : albums_)
            erase(album.members, id);
    }
    return {true, std::nullopt};
}

void ScriptedPhotoLibraryPort::applyEditLocked(Album& album, const ScriptedAlbumEdit& edit) {
    for (const auto& id : edit.assetIds) {
        if (!edit.adding)
            erase(album.members, id);
        else if (!ignoreAdds_ && !contains(album.members, id))
            album.members.push_back(id);
    }
}

void ScriptedPhotoLibraryPort::registerChangeObserver(std::shared_ptr<PortChangeObserver> o) {
    countCall();
    std::lock_guard lock(mutex_);
    observers_.push_back(std::move(o));
}

void ScriptedPhotoLibraryPort::unregisterChangeObserver(
    const std::shared_ptr<PortChangeObserver>& observer) {
    countCall();
    std::lock_guard lock(mutex_);
    ++unregisterCount_;
    std::erase(observers_, observer);
}

void ScriptedPhotoLibraryPort::requestImageData(const PortAsset& asset,
                                                const PortImageRequestOptions& options,
                                                PortImageDataHandler handler) {
    countCall();
    DataScript script;
    {
        std::lock_guard lock(mutex_);
        dataRequests_.push_back(asset.localIdentifier);
        dataOptions_.push_back(options);
        script = dataScript_;
    }
    DataAnswer reply = script ? script(asset) : DataAnswer{std::vector<std::uint8_t>{1}, {}};
    answer([handler, reply] { handler(reply.data, "public.jpeg", 1, reply.info); },
           [handler, reply] {
               handler(std::nullopt, "", 0, contrary(reply.data ? false : reply.info.isInCloud));
           });
}

void ScriptedPhotoLibraryPort::requestImage(const PortAsset& asset, std::int64_t target,
                                            const PortImageRequestOptions& options,
                                            PortImageHandler handler) {
    countCall();
    ImageScript script;
    {
        std::lock_guard lock(mutex_);
        imageRequests_.push_back({asset.localIdentifier, target, options});
        script = imageScript_;
    }
    ImageAnswer reply = script ? script(asset, target) : ImageAnswer{};
    const PortImage other{reply.image ? 1 : target, reply.image ? 1 : target, {}};
    answer([handler, reply] { handler(reply.image, reply.info); },
           [handler, other] { handler(other, {}); });
}

std::vector<PortAssetResource> ScriptedPhotoLibraryPort::assetResources(const PortAsset& asset) {
    countCall();
    std::lock_guard lock(mutex_);
    for (const auto& known : assets_)
        if (known.localIdentifier == asset.localIdentifier) return known.resources;
    return {};
}

void ScriptedPhotoLibraryPort::requestData(const PortAsset& asset,
                                           const PortAssetResource& resource,
                                           bool networkAccessAllowed, DataReceived dataReceived,
                                           Completion completion) {
    countCall();
    ResourceScript script;
    {
        std::lock_guard lock(mutex_);
        resourceRequests_.push_back({asset.localIdentifier, resource.type, networkAccessAllowed});
        script = resourceScript_;
    }
    ResourceAnswer reply =
        script ? script(asset, resource) : ResourceAnswer{{}, notOnThisMachine()};
    answer(
        [dataReceived, completion, reply] {
            for (const auto& chunk : reply.chunks)
                dataReceived(chunk);
            completion(reply.error);
        },
        [dataReceived, completion] {
            dataReceived({9, 9, 9});
            completion(std::nullopt);
        });
}

} // namespace keepsift
