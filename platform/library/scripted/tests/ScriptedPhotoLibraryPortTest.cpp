#include <gtest/gtest.h>

#include "platform/library/scripted/ScriptedPhotoLibraryPort.hpp"

using namespace keepsift;

namespace {

PortAsset asset(const std::string& id) {
    PortAsset a;
    a.localIdentifier = id;
    return a;
}

struct Outcome {
    int calls = 0;
    bool success = false;
    std::optional<PortError> error;
};

Outcome perform(ScriptedPhotoLibraryPort& port, PortChangeBlock block) {
    Outcome outcome;
    port.performChanges(std::move(block), [&](bool ok, std::optional<PortError> error) {
        if (outcome.calls++ > 0) return;
        outcome.success = ok;
        outcome.error = error;
    });
    return outcome;
}

} // namespace

TEST(ScriptedPhotoLibraryPort, ChangeBlocksApplyAfterTheBlockAndAreCounted) {
    ScriptedPhotoLibraryPort port;
    port.addAsset(asset("a"));
    port.addAsset(asset("b"));
    const auto album = port.addAlbum("Album", {"a"});
    const auto outcome = perform(port, [&](PortChangeRequests& requests) {
        auto* request = requests.changeRequestForAssetCollection(port.albums()[0]);
        request->addAssets({asset("a"), asset("b")});
        requests.creationRequestForAssetCollectionWithTitle("New");
        EXPECT_EQ(port.albums().size(), 1u) << "nothing happens inside the block";
    });
    EXPECT_TRUE(outcome.success);
    EXPECT_EQ(port.albumMembers(album), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(port.albums().size(), 2u);
    EXPECT_EQ(port.changeBlockCount(), 1);
}

TEST(ScriptedPhotoLibraryPort, RefusedDeletionFailsTheWholeBlock) {
    ScriptedPhotoLibraryPort port;
    port.addAsset(asset("a"));
    port.refuseDeletion(true);
    const auto outcome = perform(
        port, [](PortChangeRequests& requests) { requests.deleteAssets({asset("a")}, {}); });
    EXPECT_FALSE(outcome.success);
    EXPECT_EQ(outcome.error, PortError::cancelled());
    EXPECT_EQ(port.assetIds(), std::vector<std::string>{"a"});
}

TEST(ScriptedPhotoLibraryPort, AnsweringTwiceContradictsTheFirstAnswer) {
    ScriptedPhotoLibraryPort port;
    port.answerTwice(true);
    const auto outcome = perform(port, [](PortChangeRequests&) {});
    EXPECT_EQ(outcome.calls, 2);
    EXPECT_TRUE(outcome.success);
    std::vector<bool> hadData;
    port.requestImageData(
        asset("a"), {}, [&](auto data, auto, auto, auto) { hadData.push_back(data.has_value()); });
    EXPECT_EQ(hadData, (std::vector<bool>{true, false}));
}

TEST(ScriptedPhotoLibraryPort, RegularTitleLookupSkipsOtherSubtypes) {
    ScriptedPhotoLibraryPort port;
    port.addAlbum("Same", {}, 101);
    const auto regular = port.addAlbum("Same", {});
    const auto found = port.fetchRegularAlbumsTitled("Same");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].localIdentifier, regular);
    EXPECT_EQ(port.fetchAllAlbums().size(), 2u);
}
