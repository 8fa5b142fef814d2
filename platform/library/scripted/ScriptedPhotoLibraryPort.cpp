#include "platform/library/scripted/ScriptedPhotoLibraryPort.hpp"

#include "platform/library/scripted/ScriptedChangeRequests.hpp"

namespace keepsift {

ScriptedPhotoLibraryPort::~ScriptedPhotoLibraryPort() {
    std::vector<std::jthread> answerers;
    {
        std::lock_guard lock(mutex_);
        answerers.swap(answerers_);
    }
}

void ScriptedPhotoLibraryPort::setAuthorization(int status, int answerToRequest) {
    std::lock_guard lock(mutex_);
    status_ = status;
    answerToRequest_ = answerToRequest;
}

void ScriptedPhotoLibraryPort::addAsset(PortAsset asset) {
    std::lock_guard lock(mutex_);
    assets_.push_back(std::move(asset));
}

std::string ScriptedPhotoLibraryPort::addAlbum(std::optional<std::string> title,
                                               std::vector<std::string> members, int subtype) {
    std::lock_guard lock(mutex_);
    PortAssetCollection collection{"album-" + std::to_string(nextAlbum_++), std::move(title),
                                   PortAssetCollection::typeAlbum, subtype};
    albums_.push_back({collection, std::move(members)});
    return collection.localIdentifier;
}

void ScriptedPhotoLibraryPort::setDataScript(DataScript script) {
    std::lock_guard lock(mutex_);
    dataScript_ = std::move(script);
}

void ScriptedPhotoLibraryPort::setImageScript(ImageScript script) {
    std::lock_guard lock(mutex_);
    imageScript_ = std::move(script);
}

void ScriptedPhotoLibraryPort::setResourceScript(ResourceScript script) {
    std::lock_guard lock(mutex_);
    resourceScript_ = std::move(script);
}

void ScriptedPhotoLibraryPort::answerTwice(bool twice) {
    std::lock_guard lock(mutex_);
    answerTwice_ = twice;
}

void ScriptedPhotoLibraryPort::answerFromAnotherThread(bool other) {
    std::lock_guard lock(mutex_);
    otherThread_ = other;
}

void ScriptedPhotoLibraryPort::failChangeBlocks(std::optional<PortError> error) {
    std::lock_guard lock(mutex_);
    failChanges_ = true;
    changeError_ = std::move(error);
}

void ScriptedPhotoLibraryPort::clearChangeFailure() {
    std::lock_guard lock(mutex_);
    failChanges_ = false;
    changeError_.reset();
}

void ScriptedPhotoLibraryPort::refuseDeletion(bool refuse) {
    std::lock_guard lock(mutex_);
    refuseDeletion_ = refuse;
}

void ScriptedPhotoLibraryPort::ignoreAlbumAdds(bool ignore) {
    std::lock_guard lock(mutex_);
    ignoreAdds_ = ignore;
}

void ScriptedPhotoLibraryPort::withholdChangeRequests(bool withhold) {
    std::lock_guard lock(mutex_);
    withholdRequests_ = withhold;
}

void ScriptedPhotoLibraryPort::failFetches(bool fail) {
    std::lock_guard lock(mutex_);
    failFetches_ = fail;
}

void ScriptedPhotoLibraryPort::notifyChange() {
    std::vector<std::shared_ptr<PortChangeObserver>> observers;
    {
        std::lock_guard lock(mutex_);
        observers = observers_;
    }
    for (const auto& observer : observers)
        observer->photoLibraryDidChange();
}

void ScriptedPhotoLibraryPort::setAlbumMembers(const std::string& albumId,
                                               std::vector<std::string> members) {
    std::lock_guard lock(mutex_);
    if (auto* album = albumLocked(albumId)) album->members = std::move(members);
}

int ScriptedPhotoLibraryPort::changeBlockCount() const {
    std::lock_guard lock(mutex_);
    return changeBlocks_;
}

int ScriptedPhotoLibraryPort::callCount() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

std::vector<std::string> ScriptedPhotoLibraryPort::dataRequests() const {
    std::lock_guard lock(mutex_);
    return dataRequests_;
}

std::vector<PortImageRequestOptions> ScriptedPhotoLibraryPort::dataRequestOptions() const {
    std::lock_guard lock(mutex_);
    return dataOptions_;
}

std::vector<ScriptedPhotoLibraryPort::ImageRequest>
ScriptedPhotoLibraryPort::imageRequests() const {
    std::lock_guard lock(mutex_);
    return imageRequests_;
}

std::vector<ScriptedPhotoLibraryPort::ResourceRequest>
ScriptedPhotoLibraryPort::resourceRequests() const {
    std::lock_guard lock(mutex_);
    return resourceRequests_;
}

std::size_t ScriptedPhotoLibraryPort::registeredObserverCount() const {
    std::lock_guard lock(mutex_);
    return observers_.size();
}

int ScriptedPhotoLibraryPort::unregisterCount() const {
    std::lock_guard lock(mutex_);
    return unregisterCount_;
}

std::vector<std::string> ScriptedPhotoLibraryPort::albumMembers(const std::string& albumId) const {
    std::lock_guard lock(mutex_);
    for (const auto& album : albums_)
        if (album.collection.localIdentifier == albumId) return album.members;
    return {};
}

std::vector<PortAssetCollection> ScriptedPhotoLibraryPort::albums() const {
    std::lock_guard lock(mutex_);
    std::vector<PortAssetCollection> result;
    for (const auto& album : albums_)
        result.push_back(album.collection);
    return result;
}

std::vector<std::string> ScriptedPhotoLibraryPort::assetIds() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> ids;
    for (const auto& asset : assets_)
        ids.push_back(asset.localIdentifier);
    return ids;
}

void ScriptedPhotoLibraryPort::countCall() {
    std::lock_guard lock(mutex_);
    ++calls_;
}

void ScriptedPhotoLibraryPort::answer(std::function<void()> first, std::function<void()> second) {
    bool twice;
    bool other;
    {
        std::lock_guard lock(mutex_);
        twice = answerTwice_;
        other = otherThread_;
    }
    auto run = [first = std::move(first), second = std::move(second), twice] {
        first();
        if (twice) second();
    };
    if (!other) return run();
    std::lock_guard lock(mutex_);
    answerers_.emplace_back(std::move(run));
}

ScriptedPhotoLibraryPort::Album* ScriptedPhotoLibraryPort::albumLocked(const std::string& id) {
    for (auto& album : albums_)
        if (album.collection.localIdentifier == id) return &album;
    return nullptr;
}

} // namespace keepsift
