#include <algorithm>
#include <iterator>
#include <set>

#include "core/model/LibraryError.hpp"
#include "photos/library/ChangeBlock.hpp"
#include "photos/library/LivePhotoLibrary.hpp"
#include "photos/library/RejectsAlbum.hpp"
#include "photos/library/ServiceError.hpp"

namespace keepsift {
namespace {

// Flagging into a missing album creates it empty: the members go in with a second block
// once the album exists.
PortChangeBlock albumWrite(std::shared_ptr<PhotoLibraryPort> port, std::vector<PortAsset> assets,
                           bool rejected) {
    return [port, assets = std::move(assets), rejected](PortChangeRequests& requests) {
        if (auto album = rejectsAlbum(*port)) {
            auto* request = requests.changeRequestForAssetCollection(*album);
            if (!request) return;
            if (rejected)
                request->addAssets(assets);
            else
                request->removeAssets(assets);
        } else if (rejected) {
            requests.creationRequestForAssetCollectionWithTitle(
                std::string(LivePhotoLibrary::rejectsAlbumTitle));
        }
    };
}

std::int64_t count(const std::vector<std::string>& ids) {
    return static_cast<std::int64_t>(ids.size());
}

// Stand-ins for the photographs of `ids` the service no longer holds: asked to take them out of
// an album, it takes out only their links that lead nowhere.
std::vector<PortAsset> departedOf(const std::vector<std::string>& ids,
                                  const std::vector<PortAsset>& present) {
    std::set<std::string> found;
    for (const auto& asset : present)
        found.insert(asset.localIdentifier);
    std::vector<PortAsset> gone;
    for (const auto& id : ids)
        if (!found.contains(id)) gone.emplace_back().localIdentifier = id;
    return gone;
}

bool isUserCancellation(const PortError& error) {
    return error.domain == PortError::photosDomain && error.code == PortError::userCancelled;
}

} // namespace

// An addition looks at the album before it writes, to answer which photographs were linked
// already, and once after; that look serves the check when it found every one in. A removal
// takes out the links of those that left since they were listed too, even when all of them
// left: the album would keep them, leading nowhere, and the index would no longer say they are
// there.
std::vector<std::string> LivePhotoLibrary::setRejected(const std::vector<std::string>& ids,
                                                       bool rejected) {
    if (ids.empty()) return {};
    auto assets = port_->fetchAssetsWithLocalIdentifiers(ids);
    std::vector<std::string> linkedAlready;
    if (!rejected) {
        auto gone = departedOf(ids, assets);
        assets.insert(assets.end(), gone.begin(), gone.end());
    } else {
        if (assets.empty()) throw LibraryError::albumWriteIncomplete(count(ids));
        const auto members = rejectsMembers(*port_);
        std::copy_if(ids.begin(), ids.end(), std::back_inserter(linkedAlready),
                     [&](const std::string& id) { return members.contains(id); });
    }
    performChangesAndWait(*port_, albumWrite(port_, assets, rejected));
    if (rejected && addMissingMembers(ids, assets)) return linkedAlready;
    verifyMembership(ids, rejected);
    return linkedAlready;
}

// The service is told the identifiers of photographs it no longer holds, and takes out only
// their links that lead nowhere; a photograph found at a departed one's place keeps its link.
void LivePhotoLibrary::removeDepartedRejects(const std::vector<std::string>& departed) {
    if (departed.empty() || !rejectsAlbum(*port_)) return;
    auto gone = departedOf(departed, port_->fetchAssetsWithLocalIdentifiers(departed));
    if (!gone.empty()) performChangesAndWait(*port_, albumWrite(port_, std::move(gone), false));
}

bool LivePhotoLibrary::addMissingMembers(const std::vector<std::string>& ids,
                                         const std::vector<PortAsset>& assets) {
    auto album = rejectsAlbum(*port_);
    if (!album) return false;
    const auto members = memberSet(*port_, *album);
    const bool allIn =
        std::all_of(ids.begin(), ids.end(), [&](const auto& id) { return members.contains(id); });
    if (!allIn) performChangesAndWait(*port_, albumWrite(port_, assets, true));
    return allIn;
}

void LivePhotoLibrary::verifyMembership(const std::vector<std::string>& ids, bool rejected) {
    const auto members = rejectsMembers(*port_);
    const std::set<std::string> requested(ids.begin(), ids.end());
    const auto outstanding = std::count_if(requested.begin(), requested.end(), [&](const auto& id) {
        return members.contains(id) != rejected;
    });
    if (outstanding > 0) throw LibraryError::albumWriteIncomplete(outstanding);
}

// The platform leaves out identifiers it does not find; they count as deleted with the rest.
DeletionReport LivePhotoLibrary::deleteAssets(const std::vector<std::string>& ids,
                                              const ReviewedContents& reviewed) {
    if (ids.empty()) return {};
    auto assets = port_->fetchAssetsWithLocalIdentifiers(ids);
    if (assets.empty()) return {};
    std::vector<std::string> asked;
    for (const auto& asset : assets)
        asked.push_back(asset.localIdentifier);
    try {
        performChangesAndWait(*port_,
                              [assets = std::move(assets), reviewed](PortChangeRequests& requests) {
                                  requests.deleteAssets(assets, reviewed);
                              });
    } catch (const ServiceError& failure) {
        const PortError& error = failure.error();
        if (isUserCancellation(error)) return DeletionReport::allKept(ids, KeptReason::declined);
        // Without word of each photograph nothing is known to have moved.
        if (error.deletedIdentifiers.empty() && error.keptIdentifiers.empty() &&
            error.goneIdentifiers.empty())
            throw;
        return {error.deletedIdentifiers, error.keptIdentifiers};
    }
    return {asked, {}};
}

} // namespace keepsift
