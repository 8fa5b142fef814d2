#include <gtest/gtest.h>
#include <sys/stat.h>

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

    std::filesystem::create_symlink(file, own / "link");
    EXPECT_TRUE(makePrivateFile(own / "link"));
}

} // namespace
} // namespace keepsift
