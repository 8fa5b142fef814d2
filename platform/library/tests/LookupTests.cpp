#include "FolderLibraryFixture.hpp"

#include <fcntl.h>
#include <sys/stat.h>

namespace keepsift::foldertest {
namespace {

using ::testing::ElementsAre;

// A camera dump: one folder of many photographs, written long enough ago that its listing
// can be trusted until the folder changes.
class LookupTest : public FolderLibraryTest {
protected:
    void SetUp() override {
        FolderLibraryTest::SetUp();
        for (int i = 0; i < photographs; ++i)
            writeJpeg(lib("dump/IMG_" + std::to_string(i) + ".jpg"));
        backdate("dump");
        fs->onOpenDirectory = [this](const std::string& path) {
            if (path == lib("dump").string()) ++dumpListings;
        };
    }
    void backdate(const std::string& folder) {
        timespec times[2] = {{0, UTIME_OMIT}, {::time(nullptr) - 3600, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, lib(folder).c_str(), times, 0), 0);
    }
    std::optional<PortAsset> lookUp(PhotoLibraryPort& library, const std::string& id) {
        auto found = library.fetchAssetsWithLocalIdentifiers({id});
        if (found.size() != 1) return std::nullopt;
        return found.front();
    }

    static constexpr int photographs = 40;
    int dumpListings = 0;
};

TEST_F(LookupTest, LookingUpEveryPhotographOfAFolderListsItOnce) {
    auto library = makeLibrary();
    for (int i = 0; i < photographs; ++i)
        ASSERT_TRUE(lookUp(*library, "dump/IMG_" + std::to_string(i) + ".jpg")) << i;
    EXPECT_LE(dumpListings, 1);
    EXPECT_FALSE(lookUp(*library, "dump/IMG_missing.jpg"));
    EXPECT_LE(dumpListings, 1);
}

// What a lookup answers is what is on disk now, whatever an earlier lookup saw.
TEST_F(LookupTest, ALookupSeesEveryChangeSinceTheLastOne) {
    auto library = makeLibrary();
    ASSERT_TRUE(lookUp(*library, "dump/IMG_1.jpg"));

    writeJpeg(lib("dump/IMG_1.jpg"), jpeg().size(32, 24));
    auto rewritten = lookUp(*library, "dump/IMG_1.jpg");
    ASSERT_TRUE(rewritten);
    EXPECT_EQ(rewritten->pixelWidth, 32);
    EXPECT_EQ(rewritten->resources.front().fileSize,
              static_cast<std::int64_t>(std::filesystem::file_size(lib("dump/IMG_1.jpg"))));

    writeText(lib("dump/IMG_2.CR2"), "raw bytes");
    backdate("dump");
    auto paired = lookUp(*library, "dump/IMG_2.jpg");
    ASSERT_TRUE(paired);
    EXPECT_EQ(paired->resources.size(), 2u);

    std::filesystem::remove(lib("dump/IMG_3.jpg"));
    backdate("dump");
    EXPECT_FALSE(lookUp(*library, "dump/IMG_3.jpg"));

    writeJpeg(lib("dump/IMG_new.jpg"));
    backdate("dump");
    EXPECT_TRUE(lookUp(*library, "dump/IMG_new.jpg"));

    std::filesystem::rename(lib("dump/IMG_4.jpg"), lib("dump/IMG_5.jpg"));
    backdate("dump");
    EXPECT_FALSE(lookUp(*library, "dump/IMG_4.jpg"));
    auto replaced = lookUp(*library, "dump/IMG_5.jpg");
    ASSERT_TRUE(replaced);
    EXPECT_EQ(replaced->resources.size(), 1u);

    writeText(lib("dump/.nomedia"), "");
    backdate("dump");
    EXPECT_FALSE(lookUp(*library, "dump/IMG_6.jpg"));
}

// A folder changed within the same clock tick as its listing keeps no stale listing.
TEST_F(LookupTest, AFolderChangedJustNowIsListedAgain) {
    writeJpeg(lib("fresh/a.jpg"));
    auto library = makeLibrary();
    ASSERT_TRUE(lookUp(*library, "fresh/a.jpg"));
    writeJpeg(lib("fresh/b.jpg"));
    EXPECT_TRUE(lookUp(*library, "fresh/b.jpg"));
    std::filesystem::remove(lib("fresh/a.jpg"));
    EXPECT_FALSE(lookUp(*library, "fresh/a.jpg"));
}

TEST_F(LookupTest, ReadingAPhotographOfALargeFolderListsItOnce) {
    auto library = makeLibrary();
    auto assets = library->fetchImageAssets();
    dumpListings = 0;
    int read = 0;
    for (const PortAsset& asset : assets)
        library->requestImageData(asset, {}, [&](auto bytes, auto&&...) { read += bytes ? 1 : 0; });
    EXPECT_EQ(read, photographs);
    EXPECT_LE(dumpListings, 1);
}

} // namespace
} // namespace keepsift::foldertest
