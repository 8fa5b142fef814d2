#include "FolderLibraryFixture.hpp"

namespace keepsift::foldertest {
namespace {

using ::testing::ElementsAre;

class ListingConsistencyTest : public FolderLibraryTest {};

// A tree holding every kind of name and companion the listing groups or hides.
void writeMixedTree(const std::filesystem::path& root) {
    writeJpeg(root / "b/IMG_2.JPG", jpeg().date("2020:05:01 10:00:00"));
    writeText(root / "b/IMG_2.CR2", "raw");
    writeText(root / "b/IMG_2.MOV", "movie");
    writeText(root / "b/IMG_2.xmp", "<x:xmpmeta/>");
    writeText(root / "b/IMG_2.CR2.pp3", "[Exposure]");
    writeJpeg(root / "b/IMG_1.jpg", jpeg().date("2020:05:01 10:00:00"));
    writeJpeg(root / "b/IMG_1.heic", jpeg().date("2020:05:01 10:00:00"));
    writeJpeg(root / "b/IMG_10.png", jpeg().date("2019:01:01 00:00:00"));
    writeText(root / "b/IMG_3.jpg.nextcloud", "placeholder");
    writeJpeg(root / "b/.hidden.jpg");
    writeJpeg(root / "b/.thumbs/c.jpg");
    writeJpeg(root / "a/Caf\xC3\xA9.jpg", jpeg().date("2018:03:03 03:03:03"));
    writeJpeg(root / "a/Cafe\xCC\x81.jpg", jpeg().date("2018:03:03 03:03:03"));
    writeJpeg(root / "a/\xFF.jpg", jpeg().date("2018:03:03 03:03:03"));
    std::filesystem::create_directories(root / "Album");
    std::filesystem::create_symlink("../a/Caf\xC3\xA9.jpg", root / "Album/Caf\xC3\xA9.jpg");
}

TEST_F(ListingConsistencyTest, TheWholeListingMatchesEachPhotographFetchedByItself) {
    writeMixedTree(root);
    auto library = makeLibrary();
    auto assets = library->fetchImageAssets();
    EXPECT_THAT(ids(assets), ElementsAre("a/Cafe\xEF\x9F\x8C\xEF\x9E\x81.jpg", "a/Caf\xC3\xA9.jpg",
                                         "a/\xEF\x9F\xBF.jpg", "b/IMG_10.png", "b/IMG_1.heic",
                                         "b/IMG_1.jpg", "b/IMG_2.JPG", "b/IMG_3.jpg"));
    const PortAsset& pair = find(assets, "b/IMG_2.JPG");
    ASSERT_EQ(pair.resources.size(), 5u);
    EXPECT_EQ(pair.resources[1].originalFilename, "IMG_2.CR2");
    EXPECT_EQ(pair.resources[2].originalFilename, "IMG_2.MOV");
    EXPECT_EQ(pair.resources[3].originalFilename, "IMG_2.CR2.pp3");
    EXPECT_EQ(pair.resources[4].originalFilename, "IMG_2.xmp");
    EXPECT_TRUE(pair.hasAdjustments);
    // A second listing, served from memory, and a fresh library reading the stored cache agree.
    EXPECT_EQ(library->fetchImageAssets(), assets);
    EXPECT_EQ(makeLibrary()->fetchImageAssets(), assets);
    for (const PortAsset& asset : assets) {
        auto alone = makeLibrary()->fetchAssetsWithLocalIdentifiers({asset.localIdentifier});
        ASSERT_EQ(alone.size(), 1u) << asset.localIdentifier;
        EXPECT_EQ(alone[0], asset) << asset.localIdentifier;
    }
}

TEST_F(ListingConsistencyTest, ACaptureDateFollowsItsFileWhenTheFileIsRewritten) {
    writeJpeg(lib("a.jpg"), jpeg().date("2020:01:01 00:00:00"));
    writeJpeg(lib("b.jpg"), jpeg().date("2021:01:01 00:00:00"));
    auto library = makeLibrary();
    EXPECT_THAT(ids(library->fetchImageAssets()), ElementsAre("a.jpg", "b.jpg"));
    writeJpeg(lib("a.jpg"), jpeg().date("2022:01:01 00:00:00").size(20, 20));
    EXPECT_THAT(ids(library->fetchImageAssets()), ElementsAre("b.jpg", "a.jpg"));
}

} // namespace
} // namespace keepsift::foldertest
