#include "FolderLibraryFixture.hpp"

#include "platform/library/NameText.hpp"

namespace keepsift::foldertest {
namespace {

using ::testing::UnorderedElementsAre;

const std::string composed = "caf\xC3\xA9";    // NFC, as Linux tools write it
const std::string decomposed = "cafe\xCC\x81"; // NFD, as copied from another system

class NormalFormTest : public FolderLibraryTest {
protected:
    std::string dataOf(PhotoLibraryPort& library, const std::string& id) {
        auto assets = library.fetchAssetsWithLocalIdentifiers({id});
        if (assets.size() != 1) return "no asset " + id;
        std::string bytes;
        library.requestImageData(assets[0], {}, [&](auto data, auto, int, PortImageInfo) {
            if (data) bytes.assign(data->begin(), data->end());
        });
        return bytes;
    }
};

TEST_F(NormalFormTest, NamesDifferingOnlyInNormalFormKeepIdentifiersOfTheirOwn) {
    writeJpeg(lib(composed + ".jpg"), jpeg().size(20, 10));
    writeJpeg(lib(decomposed + ".jpg"), jpeg().size(30, 10));
    writeJpeg(lib("alone/" + decomposed + ".jpg"));
    auto library = makeLibrary();
    auto assets = library->fetchImageAssets();
    std::string twin = byteTextOfName(decomposed) + ".jpg";
    ASSERT_THAT(ids(assets),
                UnorderedElementsAre(composed + ".jpg", twin, "alone/" + composed + ".jpg"));
    EXPECT_EQ(find(assets, composed + ".jpg").pixelWidth, 20);
    EXPECT_EQ(find(assets, twin).pixelWidth, 30);
    // Each identifier reaches its own file, now and after a restart.
    EXPECT_EQ(dataOf(*library, composed + ".jpg"), readText(lib(composed + ".jpg")));
    EXPECT_EQ(dataOf(*library, twin), readText(lib(decomposed + ".jpg")));
    EXPECT_EQ(ids(makeLibrary()->fetchImageAssets()), ids(assets));
}

TEST_F(NormalFormTest, DeletingOneTwinTrashesThatFileOnly) {
    writeJpeg(lib(composed + ".jpg"));
    writeJpeg(lib(decomposed + ".jpg"));
    auto library = makeLibrary();
    auto twin = library->fetchAssetsWithLocalIdentifiers({composed + ".jpg"});
    ASSERT_EQ(twin.size(), 1u);
    auto [success, error] =
        change(*library, [&](PortChangeRequests& requests) { requests.deleteAssets(twin, {}); });
    ASSERT_TRUE(success) << (error ? error->message : "");
    EXPECT_FALSE(std::filesystem::exists(lib(composed + ".jpg")));
    EXPECT_TRUE(std::filesystem::exists(lib(decomposed + ".jpg")));
}

TEST_F(NormalFormTest, FoldersDifferingOnlyInNormalFormAreToldApartToo) {
    writeJpeg(lib(composed + "/a.jpg"), jpeg().size(20, 10));
    writeJpeg(lib(decomposed + "/a.jpg"), jpeg().size(30, 10));
    auto library = makeLibrary();
    std::string twin = byteTextOfName(decomposed) + "/a.jpg";
    ASSERT_THAT(ids(library->fetchImageAssets()), UnorderedElementsAre(composed + "/a.jpg", twin));
    auto found = library->fetchAssetsWithLocalIdentifiers({twin, composed + "/a.jpg"});
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].pixelWidth, 30);
    EXPECT_EQ(found[1].pixelWidth, 20);
    addToRejects(*library, {});
    addToRejects(*library, {twin});
    EXPECT_THAT(library->memberIdentifiers(*rejects(*library)), UnorderedElementsAre(twin));
}

// An identifier stays with its file while its twin in the other normal form comes and goes,
// and across restarts.
TEST_F(NormalFormTest, IdentifiersNeverPassFromOneTwinToTheOther) {
    writeJpeg(lib(composed + ".jpg"), jpeg().size(20, 10));
    writeJpeg(lib(decomposed + ".jpg"), jpeg().size(30, 10));
    const std::string twin = byteTextOfName(decomposed) + ".jpg";
    auto library = makeLibrary();
    ASSERT_THAT(ids(library->fetchImageAssets()), UnorderedElementsAre(composed + ".jpg", twin));
    ASSERT_TRUE(remove(*library, {composed + ".jpg"}).first);
    EXPECT_THAT(ids(library->fetchImageAssets()), UnorderedElementsAre(twin));
    EXPECT_THAT(ids(makeLibrary()->fetchImageAssets()), UnorderedElementsAre(twin));
    EXPECT_TRUE(library->fetchAssetsWithLocalIdentifiers({composed + ".jpg"}).empty());
    EXPECT_EQ(dataOf(*makeLibrary(), twin), readText(lib(decomposed + ".jpg")));
}

TEST_F(NormalFormTest, ALoneNameKeepsItsIdentifierWhenATwinArrives) {
    writeJpeg(lib("alone/" + decomposed + ".jpg"), jpeg().size(30, 10));
    auto library = makeLibrary();
    ASSERT_THAT(ids(library->fetchImageAssets()),
                UnorderedElementsAre("alone/" + composed + ".jpg"));
    writeJpeg(lib("alone/" + composed + ".jpg"), jpeg().size(20, 10));
    auto assets = makeLibrary()->fetchImageAssets();
    ASSERT_EQ(assets.size(), 2u);
    EXPECT_EQ(find(assets, "alone/" + composed + ".jpg").pixelWidth, 30);
    const auto newcomer = std::find_if(assets.begin(), assets.end(), [](const PortAsset& asset) {
        return asset.pixelWidth == 20;
    });
    ASSERT_NE(newcomer, assets.end());
    EXPECT_EQ(dataOf(*library, newcomer->localIdentifier),
              readText(lib("alone/" + composed + ".jpg")));
}

} // namespace
} // namespace keepsift::foldertest
