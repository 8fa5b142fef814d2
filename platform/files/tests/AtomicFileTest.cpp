#include <fstream>
#include <gtest/gtest.h>
#include <system_error>

#include "FileLimit.hpp"
#include "TemporaryFolder.hpp"
#include "platform/files/AtomicFile.hpp"
#include "platform/files/XdgFolders.hpp"

namespace keepsift {
namespace {

size_t filesIn(const std::filesystem::path& folder) {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

TEST(AtomicFile, ReplacesTheWholeFile) {
    testing::TemporaryFolder folder;
    const auto file = folder.path() / "index.json";
    replaceFileAtomically(file, "first, longer content");
    replaceFileAtomically(file, "second");
    EXPECT_EQ(readWholeFile(file), "second");
    EXPECT_EQ(filesIn(folder.path()), 1u);
}

TEST(AtomicFile, WriteBrokenHalfWayLeavesThePreviousFileAndNoLeftovers) {
    testing::TemporaryFolder folder;
    const auto file = folder.path() / "index.json";
    const std::string previous(1000, 'p');
    replaceFileAtomically(file, previous);
    {
        testing::FileSizeLimit limit(4096);
        EXPECT_THROW(replaceFileAtomically(file, std::string(100000, 'n')), std::system_error);
    }
    EXPECT_EQ(readWholeFile(file), previous);
    EXPECT_EQ(filesIn(folder.path()), 1u);
}

TEST(AtomicFile, MissingFolderFailsLoudly) {
    testing::TemporaryFolder folder;
    EXPECT_THROW(replaceFileAtomically(folder.path() / "absent" / "f", "x"), std::system_error);
}

TEST(AtomicFile, ReadsMissingFilesAndFoldersAsNothing) {
    testing::TemporaryFolder folder;
    EXPECT_EQ(readWholeFile(folder.path() / "absent"), std::nullopt);
    EXPECT_EQ(readWholeFile(folder.path()), std::nullopt);
    std::ofstream(folder.path() / "empty").close();
    EXPECT_EQ(readWholeFile(folder.path() / "empty"), "");
}

TEST(XdgFolders, TakeAbsoluteVariablesElseTheHomeFallback) {
    ::setenv("KEEPSIFT_TEST_XDG", "/somewhere", 1);
    EXPECT_EQ(xdgBaseFolder("KEEPSIFT_TEST_XDG", ".x"), "/somewhere");
    ::setenv("KEEPSIFT_TEST_XDG", "relative", 1);
    ::setenv("HOME", "/home/tester", 1);
    EXPECT_EQ(xdgBaseFolder("KEEPSIFT_TEST_XDG", ".local/share"), "/home/tester/.local/share");
    ::unsetenv("KEEPSIFT_TEST_XDG");
    EXPECT_EQ(xdgBaseFolder("KEEPSIFT_TEST_XDG", ".config"), "/home/tester/.config");
}

TEST(XdgFolders, RelativeFoldersAreIgnored) {
    ::setenv("HOME", "/home/tester", 1);
    ::setenv("XDG_CACHE_HOME", "relative/cache", 1);
    ::setenv("XDG_CONFIG_HOME", "/home/tester/config", 1);
    EXPECT_EQ(xdgCacheHome(), "/home/tester/.cache");
    EXPECT_EQ(xdgConfigHome(), "/home/tester/config");
    ::setenv("XDG_CACHE_HOME", "", 1);
    EXPECT_EQ(xdgCacheHome(), "/home/tester/.cache");
    ::setenv("XDG_CACHE_HOME", "/var/cache/tester", 1);
    EXPECT_EQ(xdgCacheHome(), "/var/cache/tester");
    ::unsetenv("XDG_CACHE_HOME");
    ::unsetenv("XDG_CONFIG_HOME");
}

TEST(XdgFolders, ARelativeHomeGivesWayToThePasswordDatabase) {
    ::setenv("HOME", "relative/home", 1);
    EXPECT_TRUE(homeFolder().is_absolute());
    ::setenv("HOME", "/home/tester", 1);
    EXPECT_EQ(homeFolder(), "/home/tester");
}

} // namespace
} // namespace keepsift
