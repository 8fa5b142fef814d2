#include "FolderLibraryFixture.hpp"

#include <atomic>
#include <thread>

namespace keepsift::foldertest {
namespace {

using ::testing::ElementsAre;

// A folder swapped for something else between reading its parent and opening it.
class SwappedFolderTest : public FolderLibraryTest {
protected:
    void SetUp() override {
        FolderLibraryTest::SetUp();
        writeJpeg(lib("a.jpg"));
        writeJpeg(lib("sub/b.jpg"));
        writeJpeg(base / "outside/b.jpg", jpeg().size(40, 20));
    }
    // Puts a link to the outside folder where "sub" was.
    void swapForLink() {
        std::filesystem::rename(lib("sub"), base / "sub.away");
        std::filesystem::create_directory_symlink(base / "outside", lib("sub"));
    }
};

TEST_F(SwappedFolderTest, AFolderSwappedForALinkWhileListedIsNeverFollowed) {
    bool swapped = false;
    fs->onOpenDirectory = [&](const std::string& path) {
        if (swapped || path != lib("sub").string()) return;
        swapped = true;
        swapForLink();
    };
    EXPECT_THAT(ids(makeLibrary()->fetchImageAssets()), ElementsAre("a.jpg"));
    EXPECT_TRUE(swapped);
}

TEST_F(SwappedFolderTest, AFolderReplacedByAFileWhileListedIsListedAgain) {
    bool replaced = false;
    int rootListings = 0;
    fs->onOpenDirectory = [&](const std::string& path) {
        rootListings += path == root.string();
        if (replaced || path != lib("sub").string()) return;
        replaced = true;
        std::filesystem::rename(lib("sub"), base / "sub.away");
        writeText(lib("sub"), "a file now");
    };
    EXPECT_THAT(ids(makeLibrary()->fetchImageAssets()), ElementsAre("a.jpg"));
    EXPECT_TRUE(replaced);
    EXPECT_EQ(rootListings, 2);
}

TEST_F(SwappedFolderTest, ReadingAndDeletionNeverReachThroughASwappedFolder) {
    auto library = makeLibrary();
    auto assets = library->fetchAssetsWithLocalIdentifiers({"sub/b.jpg"});
    ASSERT_EQ(assets.size(), 1u);
    fs->beforeWrite = [&](const std::string& path) {
        if (path == lib("sub/b.jpg").string()) swapForLink();
    };
    auto [success, error] =
        change(*library, [&](PortChangeRequests& requests) { requests.deleteAssets(assets, {}); });
    EXPECT_FALSE(success);
    EXPECT_TRUE(std::filesystem::exists(base / "outside/b.jpg"));
    EXPECT_TRUE(std::filesystem::exists(base / "sub.away/b.jpg"));
    std::optional<std::vector<std::uint8_t>> data;
    library->requestImageData(
        assets[0], {}, [&](auto bytes, auto, int, PortImageInfo) { data = std::move(bytes); });
    EXPECT_FALSE(data);
}

TEST_F(SwappedFolderTest, AlbumLinksAreNeverMadeThroughASwappedFolder) {
    auto library = makeLibrary();
    addToRejects(*library, {});
    std::filesystem::path album = lib(rejectsAlbumTitle);
    fs->beforeWrite = [&](const std::string& path) {
        if (path.rfind(album.string(), 0) != 0 || std::filesystem::is_symlink(album)) return;
        std::filesystem::remove(album);
        std::filesystem::create_directory_symlink(base / "outside", album);
    };
    auto assets = library->fetchAssetsWithLocalIdentifiers({"a.jpg"});
    auto [success, error] = change(*library, [&](PortChangeRequests& requests) {
        requests.changeRequestForAssetCollection(*rejects(*library))->addAssets(assets);
    });
    EXPECT_FALSE(success);
    EXPECT_FALSE(std::filesystem::exists(base / "outside/a.jpg"));
}

// The reporter's loop: a folder and a link to the outside take turns under one name while
// the library is listed again and again.
TEST_F(SwappedFolderTest, ListingsUnderASwappingLoopNeverReachOutside) {
    writeJpeg(base / "outside/escaped.jpg");
    std::atomic<bool> stop{false};
    std::thread swapper([&] {
        std::error_code ignored;
        while (!stop) {
            std::filesystem::rename(lib("sub"), base / "sub.away", ignored);
            std::filesystem::create_directory_symlink(base / "outside", lib("sub"), ignored);
            std::filesystem::remove(lib("sub"), ignored);
            std::filesystem::rename(base / "sub.away", lib("sub"), ignored);
        }
    });
    auto library = makeLibrary();
    int outside = 0;
    for (int listing = 0; listing < 300; ++listing) {
        try {
            for (const auto& id : ids(library->fetchImageAssets()))
                outside += id.find("escaped") != std::string::npos;
        } catch (const PortFetchError&) {
            // Replaced twice in a row: a failed listing, never a wrong one.
        }
    }
    stop = true;
    swapper.join();
    EXPECT_EQ(outside, 0);
}

} // namespace
} // namespace keepsift::foldertest
