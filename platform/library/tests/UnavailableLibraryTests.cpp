#include "FolderLibraryFixture.hpp"

namespace keepsift::foldertest {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

class UnavailableLibraryTest : public FolderLibraryTest {
protected:
    // The message the listing fails with, and the folder it blames.
    std::pair<std::string, std::string> failure(PhotoLibraryPort& library) {
        try {
            library.fetchImageAssets();
        } catch (const PortFetchError& error) {
            return {error.what(), error.folder()};
        }
        ADD_FAILURE() << "the listing did not fail";
        return {};
    }
};

// An unmounted drive leaves its empty mount point; a sync client that has not started
// leaves an empty folder. Neither is a library whose photographs were all deleted.
TEST_F(UnavailableLibraryTest, AnEmptiedRootIsUnavailableUntilItsPhotographsAreBack) {
    writeJpeg(lib("a.jpg"));
    writeJpeg(lib("trip/b.jpg"));
    auto library = makeLibrary();
    ASSERT_EQ(library->fetchImageAssets().size(), 2u);
    std::filesystem::rename(root, base / "away");
    std::filesystem::create_directory(root);
    writeText(lib(".sync-state"), "");
    auto [message, folder] = failure(*library);
    EXPECT_EQ(folder, root.string());
    EXPECT_THAT(message, HasSubstr("\u201C" + root.string() + "\u201D is not available"));
    EXPECT_THAT(message, HasSubstr("empty"));
    // A restart does not forget that the folder held photographs.
    EXPECT_EQ(failure(*makeLibrary()).second, root.string());
    std::filesystem::remove_all(root);
    std::filesystem::rename(base / "away", root);
    EXPECT_THAT(ids(library->fetchImageAssets()), UnorderedElementsAre("a.jpg", "trip/b.jpg"));
}

// The access notice rests on the authorization: it must see what the listing sees.
TEST_F(UnavailableLibraryTest, AnUnavailableRootIsRestrictedUntilItsPhotographsAreBack) {
    auto library = makeLibrary();
    ASSERT_TRUE(library->recordConsent(true));
    // A library that never held photographs is merely empty.
    EXPECT_EQ(library->authorizationStatus(), port_authorization::authorized);
    writeJpeg(lib("2024/a.jpg"));
    ASSERT_EQ(library->fetchImageAssets().size(), 1u);
    std::filesystem::rename(root, base / "away");
    std::filesystem::create_directories(root / "2024");
    writeText(lib(".a.jpg"), "");
    writeText(lib("notes.txt"), "");
    EXPECT_EQ(library->authorizationStatus(), port_authorization::restricted);
    EXPECT_EQ(makeLibrary()->authorizationStatus(), port_authorization::restricted);
    std::filesystem::remove_all(root);
    writeText(root, "a file in the folder's place");
    EXPECT_EQ(library->authorizationStatus(), port_authorization::restricted);
    std::filesystem::remove(root);
    std::filesystem::rename(base / "away", root);
    EXPECT_EQ(library->authorizationStatus(), port_authorization::authorized);
    // Deleting through Keepsift is not the folder going away.
    ASSERT_TRUE(remove(*library, {"2024/a.jpg"}).first);
    EXPECT_EQ(library->authorizationStatus(), port_authorization::authorized);
}

// A sync client that has not started may leave its bare folders behind.
TEST_F(UnavailableLibraryTest, ARootLeftWithFoldersButNoPhotographsIsUnavailable) {
    writeJpeg(lib("2023/a.jpg"));
    writeJpeg(lib("2024/b.jpg"));
    auto library = makeLibrary();
    ASSERT_EQ(library->fetchImageAssets().size(), 2u);
    std::filesystem::remove(lib("2023/a.jpg"));
    std::filesystem::remove(lib("2024/b.jpg"));
    EXPECT_THAT(failure(*library).first, HasSubstr("holds no photographs any more"));
    writeJpeg(lib("2024/c.jpg"));
    EXPECT_THAT(ids(library->fetchImageAssets()), UnorderedElementsAre("2024/c.jpg"));
}

TEST_F(UnavailableLibraryTest, AMissingRootOrAFileInItsPlaceIsUnavailable) {
    writeJpeg(lib("a.jpg"));
    auto library = makeLibrary();
    ASSERT_EQ(library->fetchImageAssets().size(), 1u);
    std::filesystem::rename(root, base / "away");
    EXPECT_THAT(failure(*library).first, HasSubstr("is missing"));
    writeText(root, "not a folder");
    EXPECT_THAT(failure(*library).first, HasSubstr("is not a folder"));
}

TEST_F(UnavailableLibraryTest, ANewEmptyLibraryAndOneHiddenOnPurposeListAsEmpty) {
    EXPECT_THAT(makeLibrary()->fetchImageAssets(), IsEmpty());
    writeJpeg(lib("a.jpg"));
    auto library = makeLibrary();
    ASSERT_EQ(library->fetchImageAssets().size(), 1u);
    writeText(lib(".nomedia"), "");
    EXPECT_THAT(library->fetchImageAssets(), IsEmpty());
}

} // namespace
} // namespace keepsift::foldertest
