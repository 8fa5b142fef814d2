#include <fstream>
#include <gtest/gtest.h>

#include "Keepsift/shell/LaunchOptions.hpp"
#include "Keepsift/shell/LibraryFolders.hpp"
#include "Keepsift/shell/ShellTexts.hpp"
#include "platform/defaults/FileUserDefaults.hpp"
#include "platform/files/AtomicFile.hpp"
#include "platform/files/tests/TemporaryFolder.hpp"

namespace keepsift::app {
namespace {

namespace fs = std::filesystem;

// A home of the test's own; the variables come back as they were.
class LibraryFolders : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"HOME", "XDG_CONFIG_HOME"})
            if (const char* value = std::getenv(name)) saved_[name] = value;
        ::setenv("HOME", home().c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (folder.path() / "config").c_str(), 1);
        fs::create_directories(home() / "Pictures");
    }
    void TearDown() override {
        for (const char* name : {"HOME", "XDG_CONFIG_HOME"}) {
            if (saved_.count(name))
                ::setenv(name, saved_[name].c_str(), 1);
            else
                ::unsetenv(name);
        }
    }
    fs::path home() const { return folder.path() / "home"; }

    testing::TemporaryFolder folder;
    FileUserDefaults defaults{folder.path() / "defaults.json"};

private:
    std::map<std::string, std::string> saved_;
};

TEST_F(LibraryFolders, ANamedLibraryIsRememberedForLaunchesWithoutOne) {
    const fs::path photos = folder.path() / "Photos with space";
    EXPECT_EQ(settleLibrary(defaults, std::nullopt).root, home() / "Pictures");
    EXPECT_EQ(rememberedLibrary(defaults), std::nullopt);
    EXPECT_EQ(settleLibrary(defaults, photos.string() + "/").root, photos);
    // At login, from the menu: no name, the same folder, also after a restart.
    FileUserDefaults reread(folder.path() / "defaults.json");
    EXPECT_EQ(settleLibrary(reread, std::nullopt).root, photos);
    EXPECT_EQ(settleLibrary(reread, std::nullopt).source, LibraryChoice::Source::remembered);
    // Naming another folder switches on purpose; the home folder is never remembered.
    EXPECT_EQ(settleLibrary(reread, home().string()).root, photos);
    EXPECT_EQ(settleLibrary(reread, (home() / "Pictures").string()).root, home() / "Pictures");
    EXPECT_EQ(rememberedLibrary(reread), (home() / "Pictures").string());
    EXPECT_EQ(LaunchOptions::parse({}, {{"KEEPSIFT_LIBRARY", "/srv/p"}}).library, "/srv/p");
    EXPECT_EQ(LaunchOptions::parse({"--library", "/a"}, {{"KEEPSIFT_LIBRARY", "/b"}}).library,
              "/a");
}

TEST_F(LibraryFolders, EachLibraryKeepsItsOwnIndexAndTheSharedOneIsAdoptedOnce) {
    const fs::path support = folder.path() / "support";
    const fs::path a = libraryDataFolder(support, folder.path() / "A");
    const fs::path b = libraryDataFolder(support, folder.path() / "B");
    EXPECT_NE(a, b);
    EXPECT_EQ(a, libraryDataFolder(support, folder.path() / "X" / ".." / "A"));
    EXPECT_EQ(a.parent_path(), support / "libraries");

    // Files of the time before: the index, its kept unreadable copy and the journal.
    fs::create_directories(support);
    for (const char* name :
         {"library-index.json", "library-index.json.unreadable", "review-journal.json"})
        replaceFileAtomically(support / name, std::string("old ") + name);
    replaceFileAtomically(support / "storage-spike.txt", "report");
    adoptSharedFiles(support, a);
    EXPECT_EQ(readWholeFile(a / "library-index.json"), "old library-index.json");
    EXPECT_EQ(readWholeFile(a / "library-index.json.unreadable"),
              "old library-index.json.unreadable");
    EXPECT_EQ(readWholeFile(a / "review-journal.json"), "old review-journal.json");
    EXPECT_FALSE(fs::exists(support / "library-index.json"));
    EXPECT_TRUE(fs::exists(support / "storage-spike.txt"));

    // A folder with a review of its own never takes in another's.
    replaceFileAtomically(support / "review-journal.json", "stray");
    adoptSharedFiles(support, a);
    EXPECT_EQ(readWholeFile(a / "review-journal.json"), "old review-journal.json");
    EXPECT_EQ(readWholeFile(support / "review-journal.json"), "stray");
}

// A dotfiles manager's relative link to the index of the time before still leads to it.
TEST_F(LibraryFolders, AnAdoptedLinkStillLeadsToItsFile) {
    const fs::path support = folder.path() / "support";
    const fs::path a = libraryDataFolder(support, folder.path() / "A");
    fs::create_directories(folder.path() / "dotfiles");
    replaceFileAtomically(folder.path() / "dotfiles" / "library-index.json", "kept");
    fs::create_directories(support);
    fs::create_symlink("../dotfiles/library-index.json", support / "library-index.json");
    adoptSharedFiles(support, a);
    EXPECT_TRUE(fs::is_symlink(a / "library-index.json"));
    EXPECT_EQ(readWholeFile(a / "library-index.json"), "kept");
    EXPECT_FALSE(fs::exists(fs::symlink_status(support / "library-index.json")));
}

TEST(LibraryInUse, ARunningKeepsiftSaysHowToSwitchInBothLanguages) {
    EXPECT_EQ(ShellTexts::libraryInUse("/home/u/Photos", "/mnt/card", "en"),
              "Keepsift is tidying \u201C/home/u/Photos\u201D. To tidy \u201C/mnt/card\u201D "
              "instead, quit Keepsift and start it again with that folder.");
    EXPECT_EQ(ShellTexts::libraryInUse("/home/u/Photos", "/mnt/card", "de"),
              "Keepsift r\u00E4umt gerade \u201E/home/u/Photos\u201C auf. Um stattdessen "
              "\u201E/mnt/card\u201C aufzur\u00E4umen, beende Keepsift und starte es mit "
              "diesem Ordner neu.");
}

} // namespace
} // namespace keepsift::app
