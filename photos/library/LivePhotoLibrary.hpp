#pragma once

#include <memory>
#include <mutex>
#include <string_view>

#include "core/model/PhotoLibrary.hpp"
#include "platform/library/PhotoLibraryPort.hpp"

namespace keepsift {

class ChangeObserver;

// The production photo library over the platform's photo-library service. It caches no
// library facts: every operation asks the service afresh.
class LivePhotoLibrary : public PhotoLibrary {
public:
    // The only album Keepsift writes to.
    static constexpr std::string_view rejectsAlbumTitle = "Keepsift \u2014 Rejects";

    // Touches the service not at all; nothing is asked of the user until
    // requestAuthorization().
    explicit LivePhotoLibrary(std::shared_ptr<PhotoLibraryPort> port);
    ~LivePhotoLibrary() override;

    LibraryStorage storageMode() override;
    LibraryAuthorization authorizationStatus() override;
    LibraryAuthorization requestAuthorization() override;
    // Throws the service's PortFetchError rather than hand back an incomplete listing.
    std::vector<LibraryAsset> fetchAssets() override;
    std::vector<std::string> unavailable(const std::vector<std::string>& missing) override;
    std::vector<std::string> present(const std::vector<std::string>& ids) override;
    std::vector<LibraryAsset> lookUp(const std::vector<std::string>& ids) override;
    std::optional<std::string> contentDigest(const std::string& id) override;
    std::optional<DigestRead> readDigest(const std::string& id) override;
    std::vector<std::string> setRejected(const std::vector<std::string>& ids,
                                         bool rejected) override;
    void removeDepartedRejects(const std::vector<std::string>& departed) override;
    DeletionReport deleteAssets(const std::vector<std::string>& ids,
                                const ReviewedContents& reviewed) override;
    LibraryChangeStream changes() override;

    // The observer of the most recent changes() call, if any.
    std::shared_ptr<ChangeObserver> observer() const;

private:
    // True when its look found every one of them in the album.
    bool addMissingMembers(const std::vector<std::string>& ids,
                           const std::vector<PortAsset>& assets);
    void verifyMembership(const std::vector<std::string>& ids, bool rejected);

    std::shared_ptr<PhotoLibraryPort> port_;
    mutable std::mutex mutex_;
    std::shared_ptr<ChangeObserver> observer_;
};

} // namespace keepsift
