#include "FolderLibraryFixture.hpp"

#include "core/support/Json.hpp"
#include "platform/library/NameText.hpp"

namespace keepsift::foldertest {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

// Names from an old Latin-1 archive: not UTF-8, and nothing can spell them as text.
const std::string foreignFolder = "Archiv M\xFC"
                                  "ller";
const std::string foreignFile = "caf\xE9.jpg";
const std::string foreignPath = foreignFolder + "/" + foreignFile;

class ForeignNameTest : public FolderLibraryTest {
protected:
    void SetUp() override {
        FolderLibraryTest::SetUp();
        writeJpeg(lib(foreignPath), jpeg().size(20, 10));
        writeJpeg(lib("plain/IMG_1.jpg"));
        writeJpeg(lib("caf\xC3\xA9/IMG_2.jpg"));
        library = makeLibrary();
        foreignId = textOfName(foreignPath);
    }
    std::vector<PortAsset> fetchForeign() {
        return library->fetchAssetsWithLocalIdentifiers({foreignId});
    }
    std::unique_ptr<FolderPhotoLibrary> library;
    std::string foreignId;
};

TEST_F(ForeignNameTest, AForeignNameListsAsTextThatSurvivesJsonAndWellFormedNamesAreUnchanged) {
    auto assets = library->fetchImageAssets();
    EXPECT_THAT(ids(assets),
                UnorderedElementsAre(foreignId, "plain/IMG_1.jpg", "caf\xC3\xA9/IMG_2.jpg"));
    EXPECT_EQ(Json::parse(Json(foreignId).dump()).asString(), foreignId);
    const PortAsset& asset = find(assets, foreignId);
    EXPECT_EQ(asset.filename, textOfName(foreignFile));
    ASSERT_EQ(asset.resources.size(), 1u);
    EXPECT_EQ(asset.resources[0].originalFilename, textOfName(foreignFile));
    // A fresh library, as after a restart, lists the same identifier.
    EXPECT_EQ(find(makeLibrary()->fetchImageAssets(), foreignId).localIdentifier, foreignId);
}

TEST_F(ForeignNameTest, FetchImageDataAndResourceDataReachTheFileOnDisk) {
    auto assets = fetchForeign();
    ASSERT_EQ(assets.size(), 1u);
    EXPECT_EQ(assets[0].pixelWidth, 20);
    std::optional<std::vector<std::uint8_t>> data;
    std::optional<PortError> error;
    library->requestImageData(assets[0], {}, [&](auto bytes, auto, int, PortImageInfo info) {
        data = std::move(bytes);
        error = info.error;
    });
    ASSERT_TRUE(data) << (error ? error->message : "");
    EXPECT_EQ(std::string(data->begin(), data->end()), readText(lib(foreignPath)));
    size_t streamed = 0;
    std::optional<PortError> completed = PortError{};
    library->requestData(
        assets[0], assets[0].resources[0], false,
        [&](const std::vector<std::uint8_t>& chunk) { streamed += chunk.size(); },
        [&](std::optional<PortError> result) { completed = result; });
    EXPECT_FALSE(completed);
    EXPECT_EQ(streamed, data->size());
}

TEST_F(ForeignNameTest, TheRejectsAlbumTakesAndGivesBackAForeignPhotograph) {
    addToRejects(*library, {});
    addToRejects(*library, {foreignId});
    auto album = rejects(*library);
    ASSERT_TRUE(album);
    EXPECT_THAT(library->memberIdentifiers(*album), ElementsAre(foreignId));
    auto link = lib(rejectsAlbumTitle) / foreignFile;
    ASSERT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(std::filesystem::read_symlink(link), "../" + foreignPath);
    auto assets = fetchForeign();
    auto [success, error] = change(*library, [&](PortChangeRequests& requests) {
        requests.changeRequestForAssetCollection(*album)->removeAssets(assets);
    });
    EXPECT_TRUE(success);
    EXPECT_FALSE(std::filesystem::is_symlink(link));
    EXPECT_THAT(library->memberIdentifiers(*album), IsEmpty());
}

TEST_F(ForeignNameTest, AnAlbumFolderWithAForeignNameIsWrittenThrough) {
    std::filesystem::create_directory(lib("Mes \xE9t\xE9s"));
    std::filesystem::create_symlink("../plain/IMG_1.jpg", lib("Mes \xE9t\xE9s/IMG_1.jpg"));
    auto albums = library->fetchAllAlbums();
    ASSERT_EQ(albums.size(), 1u);
    EXPECT_EQ(albums[0].localizedTitle, textOfName("Mes \xE9t\xE9s"));
    EXPECT_THAT(library->memberIdentifiers(albums[0]), ElementsAre("plain/IMG_1.jpg"));
    auto assets = fetchForeign();
    auto [success, error] = change(*library, [&](PortChangeRequests& requests) {
        requests.changeRequestForAssetCollection(albums[0])->addAssets(assets);
    });
    ASSERT_TRUE(success) << (error ? error->message : "");
    EXPECT_THAT(library->memberIdentifiers(albums[0]),
                UnorderedElementsAre("plain/IMG_1.jpg", foreignId));
}

TEST_F(ForeignNameTest, DeletionMovesTheForeignFileToTheTrashWithItsBytesInTheInfo) {
    addToRejects(*library, {});
    addToRejects(*library, {foreignId});
    auto assets = fetchForeign();
    auto [success, error] =
        change(*library, [&](PortChangeRequests& requests) { requests.deleteAssets(assets, {}); });
    ASSERT_TRUE(success) << (error ? error->message : "");
    EXPECT_FALSE(std::filesystem::exists(lib(foreignPath)));
    auto trash = base / "data/Trash";
    EXPECT_TRUE(std::filesystem::exists(trash / "files" / foreignFile));
    std::string info = readText(trash / "info" / (foreignFile + ".trashinfo"));
    EXPECT_NE(info.find("/Archiv%20M%FCller/caf%E9.jpg\n"), std::string::npos) << info;
    EXPECT_THAT(library->memberIdentifiers(*rejects(*library)), IsEmpty());
    EXPECT_THAT(ids(library->fetchImageAssets()),
                UnorderedElementsAre("plain/IMG_1.jpg", "caf\xC3\xA9/IMG_2.jpg"));
}

TEST_F(ForeignNameTest, AWellFormedFolderSpeltDecomposedOnDiskIsStillFound) {
    writeJpeg(lib("e\xCC\x81t\xC3\xA9/IMG_3.jpg"));
    auto assets = library->fetchAssetsWithLocalIdentifiers({"\xC3\xA9t\xC3\xA9/IMG_3.jpg"});
    ASSERT_EQ(assets.size(), 1u);
    EXPECT_EQ(assets[0].localIdentifier, "\xC3\xA9t\xC3\xA9/IMG_3.jpg");
}

} // namespace
} // namespace keepsift::foldertest
