#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/library/PhotoLibraryPort.hpp"

namespace keepsift {

// What one scripted change block asked for, carried out after the block returns.
struct ScriptedAlbumEdit {
    std::string albumId;
    bool adding = true;
    std::vector<std::string> assetIds;
};

class ScriptedChangeRequests : public PortChangeRequests {
public:
    // Without change requests every album answers null, as one that can no longer change.
    explicit ScriptedChangeRequests(bool changeRequestsAvailable)
        : changeRequestsAvailable_(changeRequestsAvailable) {}
    ~ScriptedChangeRequests() override;

    PortCollectionChangeRequest*
    changeRequestForAssetCollection(const PortAssetCollection& album) override;
    void creationRequestForAssetCollectionWithTitle(const std::string& title) override;
    void deleteAssets(const std::vector<PortAsset>& assets,
                      const ReviewedContents& reviewed) override;

    const std::vector<ScriptedAlbumEdit>& edits() const { return edits_; }
    const std::vector<std::string>& createdTitles() const { return createdTitles_; }
    const std::vector<std::string>& deletedIds() const { return deletedIds_; }

private:
    class AlbumRequest;

    bool changeRequestsAvailable_;
    std::vector<std::unique_ptr<PortCollectionChangeRequest>> requests_;
    std::vector<ScriptedAlbumEdit> edits_;
    std::vector<std::string> createdTitles_;
    std::vector<std::string> deletedIds_;
};

} // namespace keepsift
