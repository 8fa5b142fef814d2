#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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

} // namespace
} // namespace keepsift
