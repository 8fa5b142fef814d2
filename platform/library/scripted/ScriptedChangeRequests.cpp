#include "platform/library/scripted/ScriptedChangeRequests.hpp"

namespace keepsift {
namespace {

std::vector<std::string> identifiers(const std::vector<PortAsset>& assets) {
    std::vector<std::string> ids;
    for (const auto& asset : assets)
        ids.push_back(asset.localIdentifier);
    return ids;
}

} // namespace

class ScriptedChangeRequests::AlbumRequest : public PortCollectionChangeRequest {
public:
    AlbumRequest(std::string albumId, std::vector<ScriptedAlbumEdit>& edits)
        : albumId_(std::move(albumId)), edits_(edits) {}
    void addAssets(const std::vector<PortAsset>& assets) override {
        edits_.push_back({albumId_, true, identifiers(assets)});
    }
    void removeAssets(const std::vector<PortAsset>& assets) override {
        edits_.push_back({albumId_, false, identifiers(assets)});
    }

private:
    std::string albumId_;
    std::vector<ScriptedAlbumEdit>& edits_;
};

ScriptedChangeRequests::~ScriptedChangeRequests() = default;

PortCollectionChangeRequest*
ScriptedChangeRequests::changeRequestForAssetCollection(const PortAssetCollection& album) {
    if (!changeRequestsAvailable_) return nullptr;
    requests_.push_back(std::make_unique<AlbumRequest>(album.localIdentifier, edits_));
    return requests_.back().get();
}

void ScriptedChangeRequests::creationRequestForAssetCollectionWithTitle(const std::string& title) {
    createdTitles_.push_back(title);
}

void ScriptedChangeRequests::deleteAssets(const std::vector<PortAsset>& assets,
                                          const ReviewedContents&) {
    for (auto& id : identifiers(assets))
        deletedIds_.push_back(std::move(id));
}

} // namespace keepsift
