#include "FolderLibraryFixture.hpp"
#include "core/support/Logger.hpp"
#include "platform/files/tests/OtherUser.hpp"

namespace keepsift::foldertest {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

class AlbumTest : public FolderLibraryTest {
protected:
    std::filesystem::path rejectsFolder() const { return lib(rejectsAlbumTitle); }
};

TEST_F(AlbumTest, TheRejectsAlbumIsCreatedEmptyThenFilledWithLinksNamedAfterTargets) {
    writeJpeg(lib("2024/IMG_1.jpg"));
    auto library = makeLibrary();
    EXPECT_FALSE(rejects(*library));
    addToRejects(*library, {"2024/IMG_1.jpg"});
    ASSERT_TRUE(rejects(*library));
    EXPECT_TRUE(std::filesystem::is_directory(rejectsFolder()));
    // It tells what the user means to delete: no other user of the machine may read it.
    EXPECT_EQ(std::filesystem::status(rejectsFolder()).permissions(),
              std::filesystem::perms::owner_all);
    EXPECT_THAT(library->memberIdentifiers(*rejects(*library)), IsEmpty());
    addToRejects(*library, {"2024/IMG_1.jpg"});
    EXPECT_THAT(library->memberIdentifiers(*rejects(*library)), ElementsAre("2024/IMG_1.jpg"));
    auto link = rejectsFolder() / "IMG_1.jpg";
    ASSERT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(std::filesystem::read_symlink(link), "../2024/IMG_1.jpg");
    // Adding again makes no second link.
    addToRejects(*library, {"2024/IMG_1.jpg"});
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(rejectsFolder()), {}), 1);
}

TEST_F(AlbumTest, ClashingLinkNamesGetANumber) {
    writeJpeg(lib("a/IMG_1.jpg"));
    writeJpeg(lib("b/IMG_1.jpg"));
    auto library = makeLibrary();
    addToRejects(*library, {});
    addToRejects(*library, {"a/IMG_1.jpg", "b/IMG_1.jpg"});
    EXPECT_TRUE(std::filesystem::is_symlink(rejectsFolder() / "IMG_1.jpg"));
    EXPECT_TRUE(std::filesystem::is_symlink(rejectsFolder() / "IMG_1 (2).jpg"));
    EXPECT_THAT(library->memberIdentifiers(*rejects(*library)),
                UnorderedElementsAre("a/IMG_1.jpg", "b/IMG_1.jpg"));
}

TEST_F(AlbumTest, RemovingUnlinksEveryLinkThatResolvesToThePhotograph) {
    writeJpeg(lib("IMG_1.jpg"));
    writeText(lib("IMG_1.CR2"), "raw");
    writeJpeg(lib("IMG_2.jpg"));
    std::filesystem::create_directory(rejectsFolder());
    std::filesystem::create_symlink("../IMG_1.jpg", rejectsFolder() / "first.jpg");
    std::filesystem::create_symlink("../IMG_1.CR2", rejectsFolder() / "raw.CR2");
    std::filesystem::create_symlink("../IMG_2.jpg", rejectsFolder() / "IMG_2.jpg");
    auto library = makeLibrary();
    auto album = *rejects(*library);
    EXPECT_THAT(library->memberIdentifiers(album), ElementsAre("IMG_1.jpg", "IMG_2.jpg"));
    auto assets = library->fetchAssetsWithLocalIdentifiers({"IMG_1.jpg"});
    auto [success, error] = change(*library, [&](PortChangeRequests& requests) {
        requests.changeRequestForAssetCollection(album)->removeAssets(assets);
    });
    EXPECT_TRUE(success);
    EXPECT_THAT(library->memberIdentifiers(album), ElementsAre("IMG_2.jpg"));
    EXPECT_TRUE(std::filesystem::exists(lib("IMG_1.jpg")));
}

TEST_F(AlbumTest, OtherAlbumsAreFoldersOfLinksAndRejectsTitledFoldersAreNotUserAlbums) {
    writeJpeg(lib("photos/a.jpg"));
    writeJpeg(lib("photos/b.jpg"));
    std::filesystem::create_directories(lib("Albums/Holiday"));
    std::filesystem::create_symlink("../../photos/a.jpg", lib("Albums/Holiday/a.jpg"));
    std::filesystem::create_directories(lib("Albums/" + std::string(rejectsAlbumTitle)));
    std::filesystem::create_symlink("../../photos/b.jpg",
                                    lib("Albums/" + std::string(rejectsAlbumTitle) + "/b.jpg"));
    std::filesystem::create_directories(lib("Empty"));
    auto library = makeLibrary();
    auto albums = library->fetchAllAlbums();
    ASSERT_EQ(albums.size(), 2u);
    EXPECT_EQ(albums[0].localizedTitle, "Holiday");
    EXPECT_EQ(albums[0].localIdentifier, "Albums/Holiday");
    EXPECT_THAT(library->memberIdentifiers(albums[0]), ElementsAre("photos/a.jpg"));
    // A nested folder of the rejects title is not the rejects album.
    EXPECT_NE(albums[1].subtype, PortAssetCollection::subtypeAlbumRegular);
    EXPECT_FALSE(rejects(*library));
    addToRejects(*library, {});
    auto titled = library->fetchRegularAlbumsTitled(rejectsAlbumTitle);
    ASSERT_EQ(titled.size(), 1u);
    EXPECT_EQ(titled[0].localIdentifier, rejectsAlbumTitle);
}

TEST_F(AlbumTest, BrokenLinksAndLinkLoopsInAnAlbumBelongToNoPhotograph) {
    writeJpeg(lib("a.jpg"));
    std::filesystem::create_directory(rejectsFolder());
    std::filesystem::create_symlink("../a.jpg", rejectsFolder() / "a.jpg");
    std::filesystem::create_symlink("../gone.jpg", rejectsFolder() / "gone.jpg");
    std::filesystem::create_symlink("loop2.jpg", rejectsFolder() / "loop1.jpg");
    std::filesystem::create_symlink("loop1.jpg", rejectsFolder() / "loop2.jpg");
    std::filesystem::create_symlink("/etc/hostname", rejectsFolder() / "outside");
    auto library = makeLibrary();
    EXPECT_THAT(library->memberIdentifiers(*rejects(*library)), ElementsAre("a.jpg"));
    EXPECT_THAT(ids(library->fetchImageAssets()), ElementsAre("a.jpg"));
}

// A link is read by the path its text names, with the folders on the way followed: a folder
// link inside the library, or a link to the library from outside. Its last part never is.
TEST_F(AlbumTest, LinksAreReadThroughTheirFoldersButNeverThroughTheirLastPart) {
    for (const char* photo : {"Trip01/x.jpg", "Trip01/y.jpg", "Trip01/z.jpg", "Other/w.jpg"})
        writeJpeg(lib(photo));
    std::filesystem::create_directories(base / "elsewhere");
    writeJpeg(base / "elsewhere/e.jpg");
    std::filesystem::create_directory_symlink("Trip01", lib("Alias"));
    std::filesystem::create_directory_symlink(base / "elsewhere", lib("Away"));
    std::filesystem::create_directory_symlink(root, base / "Outside");
    std::filesystem::remove(lib("Trip01/z.jpg"));
    std::filesystem::create_symlink("../Other/w.jpg", lib("Trip01/z.jpg"));
    std::filesystem::create_directory(rejectsFolder());
    std::filesystem::create_symlink("../Alias/x.jpg", rejectsFolder() / "x.jpg");
    std::filesystem::create_symlink(base / "Outside/Trip01/y.jpg", rejectsFolder() / "y.jpg");
    std::filesystem::create_symlink("../Alias/z.jpg", rejectsFolder() / "z.jpg");
    std::filesystem::create_symlink("../Away/e.jpg", rejectsFolder() / "e.jpg");
    auto library = makeLibrary();
    EXPECT_THAT(library->memberIdentifiers(*rejects(*library)),
                ElementsAre("Trip01/x.jpg", "Trip01/y.jpg"));
    // Taken out through the same reading.
    auto assets = library->fetchAssetsWithLocalIdentifiers({"Trip01/x.jpg", "Trip01/y.jpg"});
    auto [success, error] = change(*library, [&](PortChangeRequests& requests) {
        requests.changeRequestForAssetCollection(*rejects(*library))->removeAssets(assets);
    });
    ASSERT_TRUE(success) << (error ? error->message : "");
    EXPECT_FALSE(std::filesystem::is_symlink(rejectsFolder() / "x.jpg"));
    EXPECT_FALSE(std::filesystem::is_symlink(rejectsFolder() / "y.jpg"));
}

// Albums are read at every listing: a link that names no photograph is told once, and again
// only when it is pointed elsewhere.
TEST_F(AlbumTest, ALinkThatNamesNoPhotographIsToldOnceForWhatItNames) {
    writeJpeg(lib("a.jpg"));
    writeText(lib("notes.txt"), "not a photograph");
    std::filesystem::create_directory(rejectsFolder());
    std::filesystem::create_symlink("../a.jpg", rejectsFolder() / "a.jpg");
    std::filesystem::create_symlink("../gone.jpg", rejectsFolder() / "gone.jpg");
    std::filesystem::create_symlink("../notes.txt", rejectsFolder() / "notes.txt");
    std::vector<std::string> told;
    Logger::setSinkForTesting([&](const LogRecord& record) {
        if (record.message.find("names no photograph") != std::string::npos)
            told.push_back(record.message);
    });
    auto library = makeLibrary();
    for (int read = 0; read < 3; ++read)
        library->memberIdentifiers(*rejects(*library));
    ASSERT_EQ(told.size(), 2u);
    EXPECT_THAT(told[0], ::testing::HasSubstr("gone.jpg"));
    EXPECT_THAT(told[1], ::testing::HasSubstr("../notes.txt"));
    std::filesystem::remove(rejectsFolder() / "gone.jpg");
    std::filesystem::create_symlink("../still-gone.jpg", rejectsFolder() / "gone.jpg");
    library->memberIdentifiers(*rejects(*library));
    library->memberIdentifiers(*rejects(*library));
    Logger::setSinkForTesting({});
    ASSERT_EQ(told.size(), 3u);
    EXPECT_THAT(told[2], ::testing::HasSubstr("../still-gone.jpg"));
}

// A flagged photograph deleted outside Keepsift must not stay behind as a dead link.
TEST_F(AlbumTest, AnAlbumWriteRemovesOnlyTheLinksWhosePhotographIsGone) {
    writeJpeg(lib("2024-trip/messi.jpg"));
    writeJpeg(lib("2024-trip/messi_2_copy.jpg"));
    auto library = makeLibrary();
    addToRejects(*library, {});
    addToRejects(*library, {"2024-trip/messi.jpg", "2024-trip/messi_2_copy.jpg"});
    std::filesystem::create_directory(lib("holiday"));
    std::filesystem::create_symlink("../2024-trip/messi_2_copy.jpg", lib("holiday/copy.jpg"));
    writeText(rejectsFolder() / "notes.txt", "kept");
    std::filesystem::create_symlink("loop2.jpg", rejectsFolder() / "loop1.jpg");
    std::filesystem::create_symlink("loop1.jpg", rejectsFolder() / "loop2.jpg");
    std::filesystem::create_symlink("../gone.jpg", rejectsFolder() / ".hidden.jpg");
    std::filesystem::create_directory(rejectsFolder() / "inner");
    std::filesystem::create_symlink("../../gone.jpg", rejectsFolder() / "inner/gone.jpg");
    std::filesystem::remove(lib("2024-trip/messi_2_copy.jpg"));

    PortAsset gone;
    gone.localIdentifier = "2024-trip/messi_2_copy.jpg";
    auto [success, error] = change(*library, [&](PortChangeRequests& requests) {
        requests.changeRequestForAssetCollection(*rejects(*library))->removeAssets({gone});
    });
    ASSERT_TRUE(success) << (error ? error->message : "");
    EXPECT_FALSE(std::filesystem::is_symlink(rejectsFolder() / "messi_2_copy.jpg"));
    EXPECT_TRUE(std::filesystem::is_symlink(rejectsFolder() / "messi.jpg"));
    EXPECT_THAT(library->memberIdentifiers(*rejects(*library)), ElementsAre("2024-trip/messi.jpg"));
    for (const char* kept :
         {"notes.txt", "loop1.jpg", "loop2.jpg", ".hidden.jpg", "inner/gone.jpg"})
        EXPECT_TRUE(
            std::filesystem::exists(std::filesystem::symlink_status(rejectsFolder() / kept)))
            << kept;
    // Albums that were not written are left as they are.
    EXPECT_TRUE(std::filesystem::is_symlink(lib("holiday/copy.jpg")));
}

TEST_F(AlbumTest, AFullDiskDuringAnAlbumWriteReportsFailureAndLosesNothing) {
    writeJpeg(lib("a.jpg"));
    writeJpeg(lib("b.jpg"));
    writeJpeg(lib("c.jpg"));
    std::filesystem::create_directory(rejectsFolder());
    std::filesystem::create_symlink("../c.jpg", rejectsFolder() / "c.jpg");
    auto library = makeLibrary();
    fs->symlinksBeforeFull = 1;
    auto assets = library->fetchAssetsWithLocalIdentifiers({"a.jpg", "b.jpg"});
    auto album = *rejects(*library);
    auto [success, error] = change(*library, [&](PortChangeRequests& requests) {
        requests.changeRequestForAssetCollection(album)->addAssets(assets);
    });
    EXPECT_FALSE(success);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, ENOSPC);
    EXPECT_THAT(library->memberIdentifiers(album), UnorderedElementsAre("a.jpg", "c.jpg"));
    EXPECT_THAT(ids(library->fetchImageAssets()), UnorderedElementsAre("a.jpg", "b.jpg", "c.jpg"));
}

TEST_F(AlbumTest, AVanishedAlbumGivesNoChangeRequest) {
    auto library = makeLibrary();
    PortAssetCollection gone{"Gone", "Gone"};
    bool gotRequest = true;
    auto [success, error] = change(*library, [&](PortChangeRequests& requests) {
        gotRequest = requests.changeRequestForAssetCollection(gone) != nullptr;
    });
    EXPECT_TRUE(success);
    EXPECT_FALSE(gotRequest);
    EXPECT_THAT(library->memberIdentifiers(gone), IsEmpty());
}

TEST_F(AlbumTest, AlbumTitlesThatAreNoFolderNameAreRefused) {
    auto library = makeLibrary();
    auto [success, error] = change(*library, [&](PortChangeRequests& requests) {
        requests.creationRequestForAssetCollectionWithTitle("../escape");
    });
    EXPECT_FALSE(success);
    EXPECT_FALSE(std::filesystem::exists(base / "escape"));
}

} // namespace
} // namespace keepsift::foldertest

namespace keepsift::foldertest {
namespace {

TEST_F(AlbumTest, AlbumsOutsideTheLibraryCannotBeReadOrChanged) {
    writeJpeg(lib("a.jpg"));
    std::filesystem::create_directories(base / "elsewhere");
    std::filesystem::create_symlink(lib("a.jpg"), base / "elsewhere/a.jpg");
    auto library = makeLibrary();
    for (const char* folder : {"../elsewhere", "/tmp", "", ".hidden"}) {
        PortAssetCollection album{folder, "x"};
        EXPECT_TRUE(library->memberIdentifiers(album).empty()) << folder;
        bool gotRequest = true;
        change(*library, [&](PortChangeRequests& requests) {
            gotRequest = requests.changeRequestForAssetCollection(album) != nullptr;
        });
        EXPECT_FALSE(gotRequest) << folder;
    }
}

} // namespace
} // namespace keepsift::foldertest

namespace keepsift::foldertest {
namespace {

TEST_F(AlbumTest, AFileNamedLikeTheRejectsAlbumBlocksItWithAnErrorThatSaysSo) {
    writeJpeg(lib("a.jpg"));
    writeText(lib(rejectsAlbumTitle), "a file, not the album");
    auto library = makeLibrary();
    auto [success, error] = change(*library, [](PortChangeRequests& requests) {
        requests.creationRequestForAssetCollectionWithTitle(rejectsAlbumTitle);
    });
    EXPECT_FALSE(success);
    ASSERT_TRUE(error);
    EXPECT_THAT(error->message, ::testing::HasSubstr("blocks the album"));
    EXPECT_THAT(error->message, ::testing::HasSubstr(lib(rejectsAlbumTitle).string()));
    EXPECT_EQ(readText(lib(rejectsAlbumTitle)), "a file, not the album");
}

// In a library others may write to, another user's process made the rejects folder first and
// put their own link in it: it is no album of the user's, neither read nor written.
TEST_F(AlbumTest, ARejectsFolderOfAnotherUserIsNeitherReadNorWritten) {
    if (!testing::asOtherUser([] { return true; }))
        GTEST_SKIP() << "needs root to start another user's process";
    writeJpeg(lib("a.jpg"));
    ASSERT_EQ(::chmod(base.c_str(), 0711), 0);
    ASSERT_EQ(::chmod(root.c_str(), 01777), 0);
    ASSERT_TRUE(testing::otherUserMakesOpenFolders({rejectsFolder()}));
    const std::string link = (rejectsFolder() / "a.jpg").string();
    ASSERT_TRUE(testing::asOtherUser([&] {
                    return ::symlink("../a.jpg", link.c_str()) == 0;
                }).value_or(false));
    auto library = makeLibrary();
    EXPECT_FALSE(rejects(*library));
    auto [success, error] = change(*library, [](PortChangeRequests& requests) {
        requests.creationRequestForAssetCollectionWithTitle(rejectsAlbumTitle);
    });
    EXPECT_FALSE(success);
    ASSERT_TRUE(error);
    EXPECT_THAT(error->message, ::testing::HasSubstr("belongs to another user"));
    EXPECT_THAT(error->message, ::testing::HasSubstr(rejectsFolder().string()));
    EXPECT_FALSE(rejects(*library));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(rejectsFolder()), {}), 1);
}

} // namespace
} // namespace keepsift::foldertest
