#include <QImage>
#include <gtest/gtest.h>

#include "Keepsift/shell/AutostartLoginItem.hpp"
#include "Keepsift/shell/RunningProgram.hpp"
#include "Keepsift/shell/UserDesktopEntry.hpp"
#include "Keepsift/shell/tests/ExecLine.hpp"
#include "Keepsift/shell/tests/FileFacts.hpp"
#include "core/support/Logger.hpp"
#include "platform/files/AtomicFile.hpp"
#include "platform/files/tests/TemporaryFolder.hpp"

namespace keepsift::app {
namespace {

namespace fs = std::filesystem;
using Outcome = UserDesktopEntry::Outcome;

class UserDesktopEntryTest : public ::testing::Test {
protected:
    void SetUp() override {
        Logger::setSinkForTesting([this](const LogRecord& record) { records.push_back(record); });
    }
    void TearDown() override { Logger::setSinkForTesting({}); }

    fs::path data() const { return folder.path() / "home" / ".local" / "share"; }
    fs::path icon(const std::string& size, const char* suffix) const {
        return data() / "icons" / "hicolor" / size / "apps" /
               (std::string("com.ambervale.keepsift") + suffix);
    }
    std::string entry() const {
        return readWholeFile(data() / "applications" / UserDesktopEntry::entryName).value_or("");
    }
    static bool hasLine(const std::string& text, const std::string& line) {
        return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
    }
    static unsigned mode(const fs::path& path) { return testing::fileMode(path); }
    static ino_t inode(const fs::path& path) { return testing::fileInode(path); }

    testing::TemporaryFolder folder;
    std::vector<LogRecord> records;
};

TEST_F(UserDesktopEntryTest, ABuildRunPutsTheEntryAndTheIconWhereTheDesktopLooks) {
    const fs::path program = "/home/u/keepsift/build/release/Keepsift/keepsift";
    EXPECT_EQ(UserDesktopEntry(data(), program).install(), Outcome::written);
    const std::string text = entry();
    EXPECT_EQ(testing::execArguments(text), std::vector<std::string>{program.string()});
    for (const std::string& line : std::vector<std::string>{
             "[Desktop Entry]", "Type=Application", "Name=Keepsift", "Icon=com.ambervale.keepsift",
             "TryExec=" + program.string(), "Categories=Graphics;Photography;", "Terminal=false",
             "Actions=Settings;", "[Desktop Action Settings]",
             "Exec=\"" + program.string() + "\" --settings"})
        EXPECT_TRUE(hasLine(text, line)) << line << "\n" << text;
    // The mark closes the main group, before the blank line that ends it.
    EXPECT_NE(
        text.find("\nActions=Settings;\nX-Keepsift-Written=true\n\n[Desktop Action Settings]\n"),
        std::string::npos)
        << text;
    for (int side : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const std::string size = std::to_string(side) + "x" + std::to_string(side);
        const QImage picture(QString::fromStdString(icon(size, ".png").string()));
        ASSERT_EQ(picture.size(), QSize(side, side)) << size;
        // The drawing, not an empty square: the kept photograph's white face at the centre.
        EXPECT_EQ(qAlpha(picture.pixel(side / 2, side / 2)), 255) << size;
        EXPECT_EQ(mode(icon(size, ".png")), 0600u);
    }
    EXPECT_NE(readWholeFile(icon("scalable", ".svg")).value_or("").find("<svg"), std::string::npos);
    // Private to the user, as everything Keepsift makes.
    EXPECT_EQ(mode(data() / "applications" / UserDesktopEntry::entryName), 0600u);
    for (const fs::path& made : {folder.path() / "home", data(), data() / "applications",
                                 data() / "icons", data() / "icons" / "hicolor" / "48x48" / "apps"})
        EXPECT_EQ(mode(made), 0700u) << made;
}

TEST_F(UserDesktopEntryTest, WrittenOnceAndAnewOnlyWhenTheBinaryMoved) {
    ASSERT_EQ(UserDesktopEntry(data(), "/a/keepsift").install(), Outcome::written);
    const auto entryFile = data() / "applications" / UserDesktopEntry::entryName;
    const ino_t entryBefore = inode(entryFile), iconBefore = inode(icon("48x48", ".png"));
    EXPECT_EQ(UserDesktopEntry(data(), "/a/keepsift").install(), Outcome::unchanged);
    EXPECT_EQ(inode(entryFile), entryBefore) << "an identical entry is not rewritten";
    EXPECT_EQ(inode(icon("48x48", ".png")), iconBefore);

    EXPECT_EQ(UserDesktopEntry(data(), "/b/keepsift (deleted)").install(), Outcome::written);
    EXPECT_EQ(testing::execArguments(entry()), std::vector<std::string>{"/b/keepsift"});
    EXPECT_TRUE(hasLine(entry(), "TryExec=/b/keepsift"));
    EXPECT_EQ(inode(icon("48x48", ".png")), iconBefore) << "the icon did not change";
}

// Start-up renders the sizes only when the icons on disk are not those of this build.
TEST_F(UserDesktopEntryTest, AMissingOrOlderIconIsDrawnAnew) {
    ASSERT_EQ(UserDesktopEntry(data(), "/a/keepsift").install(), Outcome::written);
    const ino_t large = inode(icon("256x256", ".png"));
    std::filesystem::remove(icon("48x48", ".png"));
    EXPECT_EQ(UserDesktopEntry(data(), "/a/keepsift").install(), Outcome::written);
    EXPECT_NE(inode(icon("48x48", ".png")), 0u);
    EXPECT_EQ(inode(icon("256x256", ".png")), large) << "an identical size is not rewritten";

    std::filesystem::resize_file(icon("256x256", ".png"), 10);
    replaceFileAtomically(icon("scalable", ".svg"), "<svg/>");
    EXPECT_EQ(UserDesktopEntry(data(), "/a/keepsift").install(), Outcome::written);
    EXPECT_GT(std::filesystem::file_size(icon("256x256", ".png")), 10u);
    EXPECT_NE(readWholeFile(icon("scalable", ".svg")), std::string("<svg/>"));
}

TEST_F(UserDesktopEntryTest, ALauncherStartsExactlyTheBinaryWhateverItsPath) {
    for (const std::string program :
         {"/opt/Keep sift/bin/keepsift", "/a\"b$c\\d%e`f", "/tab\there/new\nline/keepsift",
          "/usr/bin/keep'sift;&|<>*?#()~="}) {
        SCOPED_TRACE(program);
        ASSERT_EQ(UserDesktopEntry(data(), program).install(), Outcome::written);
        EXPECT_EQ(testing::execArguments(entry()), std::vector<std::string>{program});
        // One line per key: the path's own line breaks are escaped in both keys.
        EXPECT_EQ(entry().find("\nline/keepsift\n"), std::string::npos);
    }
    EXPECT_TRUE(hasLine(entry(), "TryExec=/usr/bin/keep'sift;&|<>*?#()~="));
    ASSERT_EQ(UserDesktopEntry(data(), "/tab\there\\x").install(), Outcome::written);
    EXPECT_TRUE(hasLine(entry(), "TryExec=/tab\\there\\\\x"));
}

TEST_F(UserDesktopEntryTest, AnEntryTheUserMadeIsLeftAlone) {
    const auto entryFile = data() / "applications" / UserDesktopEntry::entryName;
    fs::create_directories(entryFile.parent_path());
    const std::string own = "[Desktop Entry]\nType=Application\nName=My Keepsift\nExec=keepsift\n";
    replaceFileAtomically(entryFile, own);
    EXPECT_EQ(UserDesktopEntry(data(), "/a/keepsift").install(), Outcome::usersOwn);
    EXPECT_EQ(entry(), own);
}

TEST_F(UserDesktopEntryTest, AnInstalledKeepsiftTakesBackTheMenuFromABuildsEntry) {
    const fs::path prefix = folder.path() / "usr";
    fs::create_directories(prefix / "share" / "applications");
    replaceFileAtomically(prefix / "share" / "applications" / UserDesktopEntry::entryName,
                          UserDesktopEntry::entryText(prefix / "bin" / "keepsift"));
    ASSERT_EQ(UserDesktopEntry(data(), "/home/u/build/keepsift").install(), Outcome::written);
    EXPECT_EQ(UserDesktopEntry(data(), prefix / "bin" / "keepsift").install(), Outcome::installed);
    EXPECT_FALSE(fs::exists(data() / "applications" / UserDesktopEntry::entryName))
        << "a build's entry would hide the installed one";
    EXPECT_EQ(UserDesktopEntry(data(), prefix / "bin" / "keepsift").install(), Outcome::installed);
    EXPECT_TRUE(records.empty() || records.back().level != LogLevel::error);
}

TEST_F(UserDesktopEntryTest, AFolderThatCannotBeMadeIsLogged) {
    fs::create_directories(data());
    replaceFileAtomically(data() / "applications", "not a folder");
    EXPECT_EQ(UserDesktopEntry(data(), "/a/keepsift").install(), Outcome::failed);
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.back().category, "desktop-entry");
    EXPECT_EQ(records.back().level, LogLevel::error);
    EXPECT_EQ(UserDesktopEntry({}, "/a/keepsift").install(), Outcome::failed);
}

TEST(RunningProgram, NamesTheBinaryAsOneShellWord) {
    EXPECT_EQ(RunningProgram::shellWord("/home/u/build/release/Keepsift/keepsift"),
              "/home/u/build/release/Keepsift/keepsift");
    EXPECT_EQ(RunningProgram::shellWord("/home/u/My Builds/keep'sift"),
              "'/home/u/My Builds/keep'\\''sift'");
    EXPECT_EQ(RunningProgram::shellWord("/a/$HOME/*"), "'/a/$HOME/*'");
    EXPECT_TRUE(RunningProgram::path().is_absolute());
}

} // namespace
} // namespace keepsift::app
