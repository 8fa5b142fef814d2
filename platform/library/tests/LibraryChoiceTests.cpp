#include "FolderLibraryFixture.hpp"

#include "platform/files/XdgFolders.hpp"
#include "platform/library/LibraryChoice.hpp"

namespace keepsift::foldertest {
namespace {

namespace fs = std::filesystem;
using Source = LibraryChoice::Source;

class LibraryChoiceTest : public FolderLibraryTest {
protected:
    LibraryCandidates candidates() {
        LibraryCandidates c;
        c.home = base / "home";
        c.workingFolder = base / "work";
        fs::create_directories(c.home);
        return c;
    }
};

TEST_F(LibraryChoiceTest, ANamedFolderWinsOverTheRememberedOneWhichWinsOverPictures) {
    auto c = candidates();
    c.xdgPictures = c.home / "Bilder";
    c.remembered = "/srv/photos";
    c.named = "camera/../card/";
    const auto named = chooseLibrary(c);
    EXPECT_EQ(named.root, base / "work" / "card");
    EXPECT_EQ(named.source, Source::named);
    c.named.reset();
    EXPECT_EQ(chooseLibrary(c).root, "/srv/photos");
    EXPECT_EQ(chooseLibrary(c).source, Source::remembered);
    c.remembered.reset();
    EXPECT_EQ(chooseLibrary(c).root, c.home / "Bilder");
}

TEST_F(LibraryChoiceTest, TheHomeFolderOrOneAboveItIsNeverTheLibrary) {
    auto c = candidates();
    fs::create_directories(c.home / "Pictures");
    // xdg-user-dir prints the home folder when the Pictures folder is not set up.
    c.xdgPictures = c.home.string() + "/";
    EXPECT_EQ(chooseLibrary(c).root, c.home / "Pictures");
    EXPECT_EQ(chooseLibrary(c).source, Source::pictures);
    for (const fs::path& named : {c.home, c.home / ".", base, fs::path("/"), fs::path("../home")}) {
        SCOPED_TRACE(named.string());
        c.named = named.string();
        const auto choice = chooseLibrary(c);
        EXPECT_EQ(choice.root, c.home / "Pictures");
        ASSERT_TRUE(choice.refused);
    }
    // Also through a symbolic link to the home folder.
    fs::create_symlink(c.home, base / "link");
    c.named = (base / "link").string();
    EXPECT_EQ(chooseLibrary(c).root, c.home / "Pictures");
    c.named = (base / "link" / "Pictures").string();
    EXPECT_EQ(chooseLibrary(c).source, Source::named);
}

TEST_F(LibraryChoiceTest, WithoutAPicturesFolderNothingElseIsChosen) {
    auto c = candidates();
    c.xdgPictures = c.home;
    const auto choice = chooseLibrary(c);
    EXPECT_EQ(choice.root, c.home / "Pictures");
    EXPECT_EQ(choice.source, Source::missingPictures);
}

TEST_F(LibraryChoiceTest, TheXdgSettingIsReadFromUserDirs) {
    writeText(base / "config/user-dirs.dirs",
              "# written by xdg-user-dirs-update\nXDG_PICTURES_DIR=\"$HOME/Bilder\"\n");
    EXPECT_EQ(xdgPicturesSetting(), homeFolder() / "Bilder");
    writeText(base / "config/user-dirs.dirs", "XDG_PICTURES_DIR=\"relative\"\n");
    EXPECT_EQ(xdgPicturesSetting(), std::nullopt);
}

} // namespace
} // namespace keepsift::foldertest
