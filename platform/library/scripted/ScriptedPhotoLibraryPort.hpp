#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/library/PhotoLibraryPort.hpp"
#include "platform/library/PortResourceManager.hpp"

namespace keepsift {

class ScriptedChangeRequests;
struct ScriptedAlbumEdit;

// An in-memory photo-library service for tests. Its answers are scripted, it counts and
// records what it was asked, and it can misbehave the ways the real service may: handlers
// answering twice or from another thread, failed change blocks, refused deletions.
class ScriptedPhotoLibraryPort : public PhotoLibraryPort, public PortResourceManager {
public:
    struct DataAnswer {
        std::optional<std::vector<std::uint8_t>> data;
        PortImageInfo info;
    };
    struct ImageAnswer {
        std::optional<PortImage> image;
        PortImageInfo info;
    };
    struct ResourceAnswer {
        std::vector<std::vector<std::uint8_t>> chunks;
        std::optional<PortError> error;
    };
    using DataScript = std::function<DataAnswer(const PortAsset&)>;
    using ImageScript = std::function<ImageAnswer(const PortAsset&, std::int64_t target)>;
    using ResourceScript =
        std::function<ResourceAnswer(const PortAsset&, const PortAssetResource&)>;

    struct ImageRequest {
        std::string id;
        std::int64_t target = 0;
        PortImageRequestOptions options;
    };
    struct ResourceRequest {
        std::string id;
        PortResourceType type;
        bool networkAccessAllowed = false;
    };

    ~ScriptedPhotoLibraryPort() override;

    // Scripting.
    void setAuthorization(int status, int answerToRequest);
    void addAsset(PortAsset asset);
    // Returns the album's identifier.
    std::string addAlbum(std::optional<std::string> title, std::vector<std::string> members,
                         int subtype = PortAssetCollection::subtypeAlbumRegular);
    void setDataScript(DataScript script);
    void setImageScript(ImageScript script);
    void setResourceScript(ResourceScript script);
    // Every handler is called a second time with a contrary answer.
    void answerTwice(bool twice);
    // Handlers run on a thread of the service's own, after the call has returned.
    void answerFromAnotherThread(bool other);
    // Change blocks fail with this error (absent: fail without one) until cleared.
    void failChangeBlocks(std::optional<PortError> error);
    void clearChangeFailure();
    void refuseDeletion(bool refuse);
    // Adding to an album is accepted but has no effect.
    void ignoreAlbumAdds(bool ignore);
    void withholdChangeRequests(bool withhold);
    void failFetches(bool fail);
    // Calls every registered observer, one after the other, on the calling thread.
    void notifyChange();
    // Changes an album behind the program's back.
    void setAlbumMembers(const std::string& albumId, std::vector<std::string> members);

    // What was asked.
    int changeBlockCount() const;
    int callCount() const;
    std::vector<std::string> dataRequests() const;
    std::vector<PortImageRequestOptions> dataRequestOptions() const;
    std::vector<ImageRequest> imageRequests() const;
    std::vector<ResourceRequest> resourceRequests() const;
    std::size_t registeredObserverCount() const;
    int unregisterCount() const;
    std::vector<std::string> albumMembers(const std::string& albumId) const;
    std::vector<PortAssetCollection> albums() const;
    std::vector<std::string> assetIds() const;

    // PhotoLibraryPort
    int authorizationStatus() override;
    void requestAuthorization(std::function<void(int status)> handler) override;
    std::vector<PortAsset> fetchImageAssets() override;
    std::vector<PortAsset>
    fetchAssetsWithLocalIdentifiers(const std::vector<std::string>& identifiers) override;
    std::vector<PortAssetCollection> fetchRegularAlbumsTitled(const std::string& title) override;
    std::vector<PortAssetCollection> fetchAllAlbums() override;
    std::vector<std::string> memberIdentifiers(const PortAssetCollection& album) override;
    void performChanges(PortChangeBlock block, PortChangeCompletion completion) override;
    void registerChangeObserver(std::shared_ptr<PortChangeObserver> observer) override;
    void unregisterChangeObserver(const std::shared_ptr<PortChangeObserver>& observer) override;
    void requestImageData(const PortAsset& asset, const PortImageRequestOptions& options,
                          PortImageDataHandler handler) override;
    void requestImage(const PortAsset& asset, std::int64_t target,
                      const PortImageRequestOptions& options, PortImageHandler handler) override;
    std::vector<PortAssetResource> assetResources(const PortAsset& asset) override;

    // PortResourceManager
    void requestData(const PortAsset& asset, const PortAssetResource& resource,
                     bool networkAccessAllowed, DataReceived dataReceived,
                     Completion completion) override;

private:
    struct Album {
        PortAssetCollection collection;
        std::vector<std::string> members;
    };

    void countCall();
    // Runs `first`, then `second` when answering twice; on the caller's thread or another.
    void answer(std::function<void()> first, std::function<void()> second);
    std::pair<bool, std::optional<PortError>> applyChanges(const ScriptedChangeRequests& requests);
    void applyEditLocked(Album& album, const ScriptedAlbumEdit& edit);
    Album* albumLocked(const std::string& id);

    mutable std::mutex mutex_;
    int status_ = port_authorization::authorized;
    int answerToRequest_ = port_authorization::authorized;
    std::vector<PortAsset> assets_;
    std::vector<Album> albums_;
    int nextAlbum_ = 1;
    DataScript dataScript_;
    ImageScript imageScript_;
    ResourceScript resourceScript_;
    bool answerTwice_ = false;
    bool otherThread_ = false;
    bool failChanges_ = false;
    std::optional<PortError> changeError_;
    bool refuseDeletion_ = false;
    bool ignoreAdds_ = false;
    bool withholdRequests_ = false;
    bool failFetches_ = false;
    std::vector<std::shared_ptr<PortChangeObserver>> observers_;
    int unregisterCount_ = 0;
    int changeBlocks_ = 0;
    int calls_ = 0;
    std::vector<std::string> dataRequests_;
    std::vector<PortImageRequestOptions> dataOptions_;
    std::vector<ImageRequest> imageRequests_;
    std::vector<ResourceRequest> resourceRequests_;
    std::vector<std::jthread> answerers_;
};

} // namespace keepsift
