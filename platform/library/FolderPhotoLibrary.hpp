#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/library/Catalogue.hpp"
#include "platform/library/ChangeWatcher.hpp"
#include "platform/library/ConsentStore.hpp"
#include "platform/library/MeasuredBytes.hpp"
#include "platform/library/PhotoLibraryPort.hpp"
#include "platform/library/PlatformDialogs.hpp"
#include "platform/library/PortResourceManager.hpp"
#include "platform/library/SameEntryNames.hpp"
#include "platform/library/SymlinkAlbums.hpp"
#include "platform/library/TrashCheck.hpp"
#include "platform/library/TrashMover.hpp"

namespace keepsift {

struct FolderLibraryOptions {
    std::filesystem::path root;
    std::filesystem::path catalogueFile = defaultCatalogueFile();
    std::filesystem::path mountsFile = defaultMountsFile();
    std::filesystem::path consentFile = defaultConsentFile();
    std::filesystem::path homeTrash = defaultHomeTrash();
    std::shared_ptr<FileSystemOps> ops = realFileSystem();
    ConsentStore::AccessCheck access;
    // Without a prompt, an undetermined consent stays undetermined.
    std::shared_ptr<ConsentPrompt> consentPrompt;
    // Without a confirmation, every deletion counts as declined.
    std::shared_ptr<DeletionConfirmation> deletionConfirmation;
    std::shared_ptr<RenditionSource> renditions;
    WatcherOptions watcher;
};

// The photo-library service on Linux: a folder tree of photographs with symlink albums,
// the freedesktop.org Trash, inotify change notifications and a consent store. Handlers
// run on the calling thread before the call returns; change observers run on the
// watcher's thread.
class FolderPhotoLibrary : public PhotoLibraryPort, public PortResourceManager {
public:
    explicit FolderPhotoLibrary(FolderLibraryOptions options);
    ~FolderPhotoLibrary() override;

    int authorizationStatus() override;
    void requestAuthorization(std::function<void(int status)> handler) override;
    // The user's answer given again from the settings, where a declined consent is undone.
    // False when it could not be stored.
    bool recordConsent(bool granted);

    std::vector<PortAsset> fetchImageAssets() override;
    std::vector<PortAsset>
    fetchAssetsWithLocalIdentifiers(const std::vector<std::string>& identifiers) override;

    std::vector<std::string>
    unavailableIdentifiers(const std::vector<std::string>& missing) override;

    std::vector<PortAssetCollection> fetchRegularAlbumsTitled(const std::string& title) override;
    std::vector<PortAssetCollection> fetchAllAlbums() override;
    std::vector<std::string> memberIdentifiers(const PortAssetCollection& album) override;
    std::vector<PortMember> membersWithTimes(const PortAssetCollection& album) override;

    void performChanges(PortChangeBlock block, PortChangeCompletion completion) override;

    void registerChangeObserver(std::shared_ptr<PortChangeObserver> observer) override;
    void unregisterChangeObserver(const std::shared_ptr<PortChangeObserver>& observer) override;

    void requestImageData(const PortAsset& asset, const PortImageRequestOptions& options,
                          PortImageDataHandler handler) override;
    void requestImage(const PortAsset& asset, std::int64_t target,
                      const PortImageRequestOptions& options, PortImageHandler handler) override;

    std::vector<PortAssetResource> assetResources(const PortAsset& asset) override;

    void requestData(const PortAsset& asset, const PortAssetResource& resource,
                     bool networkAccessAllowed, DataReceived dataReceived,
                     Completion completion) override;
    void requestProvenData(const PortAsset& asset, const PortAssetResource& resource,
                           bool networkAccessAllowed, DataReceived dataReceived,
                           ProvenCompletion completion) override;

    // True while the change watcher has fallen back to polling.
    bool isWatchPolling();

private:
    class ChangeRequests;
    std::optional<PortError> apply(ChangeRequests& requests);
    ReviewedFiles reviewedFiles(const std::vector<CatalogueItem>& items,
                                const ReviewedContents& reviewed);
    // The album links to each photograph, by asset identifier, each with the path it named.
    struct AlbumLink {
        Place place;
        std::string named;
    };
    using AlbumLinks = std::map<std::string, std::vector<AlbumLink>>;
    AlbumLinks albumLinksTo(const std::vector<CatalogueItem>& items);
    void removeLinksOf(AlbumLinks& links, const std::string& id);
    // Departed photographs whose path holds something that is no photograph (a pipe, a
    // device): their links lead to it, and go as links to nothing do.
    std::vector<CatalogueItem> departedInPlace(const std::vector<std::string>& departed);
    std::optional<PortError> deleteItems(const std::vector<CatalogueItem>& items,
                                         const ReviewedFiles& expected, AlbumLinks& links);
    struct TrashFailure {
        PortError error;
        // None for a photograph no longer at its place: neither moved nor kept.
        std::optional<KeptReason> reason;
        // Its file is no photograph now: its album links lead to none.
        bool leftLibrary = false;
    };
    static TrashFailure leftBeforeItsMove(const std::string& path);
    static TrashFailure noPrivateTrash(const std::string& path, const TrashRefusal& refusal);
    SameEntryNames sameEntryNames(const std::vector<CatalogueItem>& items);
    std::optional<TrashFailure> sharedWithStayingName(const CheckedFiles& checked,
                                                      const SameEntryNames& names);
    std::optional<TrashFailure> trashItem(const CatalogueItem& item, const ReviewedFiles& expected,
                                          const SameEntryNames& names, bool& primaryTrashed,
                                          std::vector<std::string>& trashed);
    std::optional<TrashFailure> moveChecked(const CheckedFiles& checked,
                                            const ReviewedFiles& expected, bool& primaryTrashed,
                                            std::vector<std::string>& trashed);
    void putBackAll(std::vector<TrashedFile>& moved, bool& primaryTrashed,
                    std::vector<std::string>& trashed);
    void strandedInTrash(const TrashedFile& file);
    std::optional<CatalogueItem> itemFor(const PortAsset& asset);
    // How far a read may reach beyond the files held here: a drive that cannot tell where
    // its files are is undetermined. A proven read brings its companions' record with it.
    enum class Reach { resident, undetermined, anywhere };
    void streamResource(const PortAsset& asset, const PortAssetResource& resource, Reach reach,
                        bool proven, DataReceived dataReceived, ProvenCompletion completion);
    void notifyObservers();

    FolderLibraryOptions options_;
    Catalogue catalogue_;
    SymlinkAlbums albums_;
    TrashMover trash_;
    ConsentStore consent_;
    MeasuredBytes measured_;

    std::mutex mutex_;
    std::vector<std::shared_ptr<PortChangeObserver>> observers_;
    std::unique_ptr<ChangeWatcher> watcher_;
    // Serialises change blocks, as the platform runs them one at a time.
    std::mutex changesMutex_;
};

// The error a failed filesystem write is reported with.
PortError folderLibraryError(int errnoValue, const std::string& what);
inline constexpr const char* folderLibraryErrorDomain = "com.ambervale.keepsift.folder-library";

} // namespace keepsift
