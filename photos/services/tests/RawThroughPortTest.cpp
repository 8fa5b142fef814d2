// Real DNG files in the folder library: one beside its JPEG is listed as that JPEG's asset,
// a lone one is an asset of its own and is measured from its developed sensor data.

#include <algorithm>

#include "photos/extractor/tests/DngWriting.hpp"
#include "photos/services/tests/LiveHome.hpp"

namespace keepsift {
namespace {

class RawThroughPort : public testing::LiveHome {
protected:
    std::vector<LibraryAsset> listed() {
        if (!services.library) startServices();
        EXPECT_EQ(services.library->requestAuthorization(), LibraryAuthorization::authorized);
        return services.library->fetchAssets();
    }
};

TEST_F(RawThroughPort, ARawBesideItsJpegIsPartOfThatAssetAndALoneRawIsMeasured) {
    writeJpeg("IMG_2.JPG", scene(2), "2024:05:01 10:00:00");
    ASSERT_TRUE(testing::writeDng(pictures / "IMG_2.DNG", scene(2)));
    ASSERT_TRUE(testing::writeDng(pictures / "IMG_3.DNG", scene(3)));
    std::vector<std::string> ids;
    std::optional<LibraryAsset> lone;
    for (const auto& asset : listed()) {
        ids.push_back(asset.id);
        if (asset.id == "IMG_3.DNG") lone = asset;
    }
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (std::vector<std::string>{"IMG_2.JPG", "IMG_3.DNG"}));
    ASSERT_TRUE(lone);
    const auto signals = services.extractor->signals(lone->reference());
    ASSERT_TRUE(signals);
    EXPECT_EQ(signals->pixelWidth, scene(3).cols);
    EXPECT_EQ(signals->pixelHeight, scene(3).rows);
    EXPECT_TRUE(signals->hasCameraMetadata);
    EXPECT_FALSE(signals->featurePrint().empty());
    EXPECT_GT(signals->sharpness, 0.f);
}

} // namespace
} // namespace keepsift
