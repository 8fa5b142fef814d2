#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "OtherUser.hpp"
#include "TemporaryFolder.hpp"
#include "platform/files/AtomicFile.hpp"
#include "platform/files/PrivateFiles.hpp"

namespace keepsift {
namespace {

mode_t modeOf(const std::filesystem::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

TEST(PrivateFiles, MissingFoldersAreMadePrivateAndOthersKeepTheirMode) {
    testing::TemporaryFolder folder;
    std::filesystem::create_directory(folder.path() / "shared");
    ::chmod((folder.path() / "shared").c_str(), 0755);
    const auto made = folder.path() / "shared" / "data" / "com.ambervale.keepsift";
    ASSERT_FALSE(createPrivateFolders(made));
    EXPECT_EQ(modeOf(folder.path() / "shared"), 0755u);
    EXPECT_EQ(modeOf(folder.path() / "shared" / "data"), 0700u);
    EXPECT_EQ(modeOf(made), 0700u);
    replaceFileAtomically(folder.path() / "file", "x");
    EXPECT_EQ(createPrivateFolders(folder.path() / "file" / "sub"),
              std::make_error_code(std::errc::not_a_directory));
}

// Earlier versions made their folders and the catalogue readable by every user.
TEST(PrivateFiles, KeepsiftsOwnFolderAndFilesAreMadePrivateWhereTheyWereNot) {
    testing::TemporaryFolder folder;
    const auto own = folder.path() / "com.ambervale.keepsift";
    std::filesystem::create_directory(own);
    ::chmod(own.c_str(), 0755);
    ASSERT_FALSE(makePrivateFolder(own));
    EXPECT_EQ(modeOf(own), 0700u);

    const auto file = own / "catalogue.sqlite";
    ASSERT_FALSE(makePrivateFile(file));
    EXPECT_EQ(modeOf(file), 0600u);
    EXPECT_EQ(std::filesystem::file_size(file), 0u);
    ::chmod(file.c_str(), 0644);
    ASSERT_FALSE(makePrivateFile(file));
    EXPECT_EQ(modeOf(file), 0600u);
}

// A link to a file of the user's own is followed; one to another user's file is not.
TEST(PrivateFiles, OnlyAFileOfTheUsersOwnBehindALinkIsMadePrivate) {
    testing::TemporaryFolder folder;
    const auto dotfiles = folder.path() / "dotfiles";
    std::filesystem::create_directory(dotfiles);
    replaceFileAtomically(dotfiles / "catalogue.sqlite", "");
    ::chmod((dotfiles / "catalogue.sqlite").c_str(), 0644);
    std::filesystem::create_symlink("dotfiles/catalogue.sqlite", folder.path() / "link");
    ASSERT_FALSE(makePrivateFile(folder.path() / "link"));
    EXPECT_EQ(modeOf(dotfiles / "catalogue.sqlite"), 0600u);

    std::filesystem::create_symlink("dotfiles/made.sqlite", folder.path() / "dangling");
    ASSERT_FALSE(makePrivateFile(folder.path() / "dangling"));
    EXPECT_EQ(modeOf(dotfiles / "made.sqlite"), 0600u);
    EXPECT_TRUE(std::filesystem::is_symlink(folder.path() / "dangling"));

    if (::geteuid() != 0) GTEST_SKIP() << "only root gives a file to another user";
    ::chmod((dotfiles / "catalogue.sqlite").c_str(), 0644);
    ASSERT_EQ(::chown((dotfiles / "catalogue.sqlite").c_str(), 65534, 65534), 0);
    EXPECT_TRUE(makePrivateFile(folder.path() / "link"));
    EXPECT_EQ(modeOf(dotfiles / "catalogue.sqlite"), 0644u);
}

// Another user's real process, in a folder everyone may make things in (/tmp, a shared
// volume where the XDG folders were pointed).
class PrivateFilesBesideAnotherUser : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testing::asOtherUser([] { return true; }))
            GTEST_SKIP() << "needs root to start another user's process";
        ::chmod(folder.path().c_str(), 01777);
    }

    testing::TemporaryFolder folder;
};

TEST_F(PrivateFilesBesideAnotherUser, TheirFolderOrALinkToItIsNeverTakenForKeepsifts) {
    const auto own = folder.path() / "com.ambervale.keepsift";
    const auto theirs = folder.path() / "theirs";
    ASSERT_TRUE(testing::otherUserMakesOpenFolders({own, theirs}));
    EXPECT_EQ(makePrivateFolder(own), anotherUsersFolder());
    EXPECT_EQ(anotherUsersFolder().message(), "it belongs to another user");
    EXPECT_EQ(modeOf(own), 0777u);
    const auto link = folder.path() / "link";
    std::filesystem::create_symlink(theirs, link);
    EXPECT_EQ(makePrivateFolder(link), anotherUsersFolder());
    EXPECT_EQ(modeOf(theirs), 0777u);
}

// The temporary file exists, named beside the file, for as long as the write takes.
TEST_F(PrivateFilesBesideAnotherUser, AnAtomicWriteIsClosedToThemBeforeAndAfterItsRename) {
    const auto open = folder.path() / "open";
    std::filesystem::create_directory(open);
    ::chmod(open.c_str(), 0755);
    const auto file = open / "library-index.json";
    replaceFileAtomically(file, "{}");
    ::chmod(file.c_str(), 0644);
    std::vector<std::string> seen;
    replaceFileAtomically(file, [&](const auto& write) {
        write("{\"entries\":");
        for (const auto& entry : std::filesystem::directory_iterator(open))
            if (isTemporaryFileName(entry.path().filename().string()))
                seen.push_back(entry.path().filename().string() + ": " +
                               testing::whatOtherUserCan(entry.path()));
        write("{}}");
    });
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], seen[0].substr(0, seen[0].find(':')) + ": ");
    EXPECT_EQ(testing::whatOtherUserCan(file), "");
    EXPECT_EQ(readWholeFile(file), "{\"entries\":{}}");
}

} // namespace
} // namespace keepsift
