#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/model/DeletionReport.hpp"
#include "core/model/FileIdentity.hpp"
#include "core/model/LibraryUnavailable.hpp"
#include "core/model/ReviewedBytes.hpp"
#include "core/support/Date.hpp"

namespace keepsift {

// The photo-library service as the live adapters see it: a thin port shaped like the
// platform's photo library, its image manager and its change requests. The folder library
// is the real implementation on Linux; tests script their own.
//
// Handlers may run on any thread, before or after the call returns, and a handler may be
// called more than once: callers keep only the first answer.

// Raw authorization status as the platform reports it (values above 4 may appear and are
// the caller's to map).
namespace port_authorization {
inline constexpr int notDetermined = 0;
inline constexpr int restricted = 1;
inline constexpr int denied = 2;
inline constexpr int authorized = 3;
inline constexpr int limited = 4;
} // namespace port_authorization

// An error the service hands to a completion handler, in the platform's terms.
struct PortError {
    std::string domain;
    std::int64_t code = 0;
    std::string message;
    // Deletion only: the assets that reached the Trash before the failure, those kept where
    // they were, with why, and those no longer at their place when their turn came.
    std::vector<std::string> deletedIdentifiers = {};
    std::vector<KeptPhoto> keptIdentifiers = {};
    std::vector<std::string> goneIdentifiers = {};

    static constexpr const char* photosDomain = "PHPhotosErrorDomain";
    // The user declined the platform's confirmation.
    static constexpr std::int64_t userCancelled = 3072;
    static PortError cancelled() { return {photosDomain, userCancelled, "the user cancelled"}; }

    bool operator==(const PortError&) const = default;
};

// A listing that could not be made complete; the service never drops photographs silently.
// The message is meant for the user and names the folder to blame.
class PortFetchError : public LibraryUnavailable {
public:
    using LibraryUnavailable::LibraryUnavailable;
};

enum class PortResourceType { photo, alternatePhoto, pairedVideo, adjustmentData };

struct PortAssetResource {
    PortResourceType type = PortResourceType::photo;
    std::string originalFilename;
    // The "fileSize" property; absent when the service does not know it.
    std::optional<std::int64_t> fileSize;
    // Absent when the service does not know it.
    std::optional<FileIdentity> file = std::nullopt;

    bool operator==(const PortAssetResource&) const = default;
};

// One asset as the service fetches it.
struct PortAsset {
    static constexpr int mediaTypeImage = 1;

    std::string localIdentifier;
    int mediaType = mediaTypeImage;
    // The "filename" property; absent when the service does not give one.
    std::optional<std::string> filename;
    std::optional<Date> creationDate;
    std::optional<Date> modificationDate;
    std::int64_t pixelWidth = 0;
    std::int64_t pixelHeight = 0;
    bool isFavorite = false;
    bool hasAdjustments = false;
    // The asset's resources in the service's order, the primary first.
    std::vector<PortAssetResource> resources;

    bool operator==(const PortAsset&) const = default;
};

// An album as the service fetches it.
struct PortAssetCollection {
    static constexpr int typeAlbum = 1;
    static constexpr int subtypeAlbumRegular = 2;

    std::string localIdentifier;
    std::optional<std::string> localizedTitle;
    int type = typeAlbum;
    int subtype = subtypeAlbumRegular;

    bool operator==(const PortAssetCollection&) const = default;
};

// A member of an album and when it was put there.
struct PortMember {
    std::string localIdentifier;
    // Nanoseconds since 1970; none where the service cannot vouch for the time.
    std::optional<std::int64_t> addedNs;

    bool operator==(const PortMember&) const = default;
};

// Change request for one album, valid only inside its change block.
class PortCollectionChangeRequest {
public:
    virtual ~PortCollectionChangeRequest() = default;
    virtual void addAssets(const std::vector<PortAsset>& assets) = 0;
    virtual void removeAssets(const std::vector<PortAsset>& assets) = 0;
};

// What a change block may ask for. Requests are carried out together after the block
// returns; the completion handler then reports (success, error).
class PortChangeRequests {
public:
    virtual ~PortChangeRequests() = default;
    // Null when the album can no longer be changed.
    virtual PortCollectionChangeRequest*
    changeRequestForAssetCollection(const PortAssetCollection& album) = 0;
    // Creates an empty regular album with this title.
    virtual void creationRequestForAssetCollectionWithTitle(const std::string& title) = 0;
    // Deletion asks the user to confirm; a refusal fails the whole block with
    // PortError::cancelled(). An asset whose reviewed bytes are given goes only while its file
    // holds them.
    virtual void deleteAssets(const std::vector<PortAsset>& assets,
                              const ReviewedContents& reviewed) = 0;
};

using PortChangeBlock = std::function<void(PortChangeRequests&)>;
using PortChangeCompletion = std::function<void(bool success, std::optional<PortError> error)>;

class PortChangeObserver {
public:
    virtual ~PortChangeObserver() = default;
    // Called one notification at a time, on the service's thread.
    virtual void photoLibraryDidChange() = 0;
};

// The information that comes with an image answer. Absent keys are absent.
struct PortImageInfo {
    std::optional<bool> isInCloud;
    std::optional<bool> isDegraded;
    std::optional<PortError> error;
};

struct PortImageRequestOptions {
    bool networkAccessAllowed = false;
    bool synchronous = false;
    // 1: high quality only.
    int deliveryMode = 1;
    // 0: the photograph as it looks now.
    int version = 0;
    // 1: fast resizing (renditions only).
    int resizeMode = 1;
};

// Decoded pixels: interleaved 8-bit RGB rows without padding, upright.
struct PortImage {
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::vector<std::uint8_t> rgb;

    bool operator==(const PortImage&) const = default;
};

using PortImageDataHandler =
    std::function<void(std::optional<std::vector<std::uint8_t>> data, std::string typeIdentifier,
                       int orientation, PortImageInfo info)>;
using PortImageHandler = std::function<void(std::optional<PortImage> image, PortImageInfo info)>;

class PhotoLibraryPort {
public:
    virtual ~PhotoLibraryPort() = default;

    // Read-write access; never prompts.
    virtual int authorizationStatus() = 0;
    // Prompts only while undetermined; the handler receives the raw status once.
    virtual void requestAuthorization(std::function<void(int status)> handler) = 0;

    // Every image asset, hidden ones excluded, ascending by creation date. Throws
    // PortFetchError when the listing cannot be made complete.
    virtual std::vector<PortAsset> fetchImageAssets() = 0;
    // The assets among these identifiers that exist; unknown ones are left out.
    virtual std::vector<PortAsset>
    fetchAssetsWithLocalIdentifiers(const std::vector<std::string>& identifiers) = 0;

    // Of identifiers a listing left out, those whose storage went away rather than being
    // deleted.
    virtual std::vector<std::string>
    unavailableIdentifiers(const std::vector<std::string>& missing) {
        (void)missing;
        return {};
    }

    // Regular albums with exactly this title, in the service's order.
    virtual std::vector<PortAssetCollection> fetchRegularAlbumsTitled(const std::string& title) = 0;
    // Every album of any subtype, in the service's order.
    virtual std::vector<PortAssetCollection> fetchAllAlbums() = 0;
    // Identifiers of the album's members; empty when the album is gone.
    virtual std::vector<std::string> memberIdentifiers(const PortAssetCollection& album) = 0;
    // The same members with when each was put there, where the service knows it.
    virtual std::vector<PortMember> membersWithTimes(const PortAssetCollection& album) {
        std::vector<PortMember> members;
        for (auto& id : memberIdentifiers(album))
            members.push_back({std::move(id), std::nullopt});
        return members;
    }

    virtual void performChanges(PortChangeBlock block, PortChangeCompletion completion) = 0;

    virtual void registerChangeObserver(std::shared_ptr<PortChangeObserver> observer) = 0;
    virtual void unregisterChangeObserver(const std::shared_ptr<PortChangeObserver>& observer) = 0;

    // The primary resource's bytes. With network access refused a file that is not on this
    // machine is never opened: no data, and isInCloud true (or absent when unknown).
    virtual void requestImageData(const PortAsset& asset, const PortImageRequestOptions& options,
                                  PortImageDataHandler handler) = 0;
    // A rendition of about target x target (aspect fit) from what is on this machine; never
    // larger than the largest picture there is, and marked degraded when smaller than asked.
    virtual void requestImage(const PortAsset& asset, std::int64_t target,
                              const PortImageRequestOptions& options, PortImageHandler handler) = 0;

    virtual std::vector<PortAssetResource> assetResources(const PortAsset& asset) = 0;
};

// Where the folder library gets reduced renditions from (decoders and thumbnail caches live
// elsewhere). `resident` is false when the original must not be opened.
class RenditionSource {
public:
    virtual ~RenditionSource() = default;
    virtual std::optional<PortImage> rendition(const std::string& originalPath, bool resident,
                                               std::int64_t target) = 0;
};

} // namespace keepsift
