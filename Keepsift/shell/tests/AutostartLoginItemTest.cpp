#include <gtest/gtest.h>

#include "Keepsift/shell/AutostartLoginItem.hpp"
#include "Keepsift/shell/tests/ExecLine.hpp"
#include "Keepsift/shell/tests/FileFacts.hpp"
#include "core/support/Logger.hpp"
#include "platform/files/AtomicFile.hpp"
#include "platform/files/tests/TemporaryFolder.hpp"

namespace keepsift::app {
namespace {

class AutostartLoginItemTest : public ::testing::Test {
protected:
    void SetUp() override {
        Logger::setSinkForTesting([this](const LogRecord& record) { records.push_back(record); });
    }
    void TearDown() override { Logger::setSinkForTesting({}); }

    testing::TemporaryFolder folder;
    std::vector<LogRecord> records;
};

TEST_F(AutostartLoginItemTest, RegistersAndUnregistersAnAutostartEntry) {
    AutostartLoginItem item(folder.path() / "autostart", "/opt/Keep sift/bin/keepsift");
    EXPECT_FALSE(item.setLaunchAtLogin(false));
    EXPECT_TRUE(item.setLaunchAtLogin(true));
    EXPECT_TRUE(item.setLaunchAtLogin(true));
    const auto text = readWholeFile(folder.path() / "autostart" / AutostartLoginItem::entryName);
    ASSERT_TRUE(text);
    EXPECT_NE(text->find("[Desktop Entry]\nType=Application\nName=Keepsift\n"), std::string::npos);
    EXPECT_NE(text->find("Exec=\"/opt/Keep sift/bin/keepsift\" --autostart\n"), std::string::npos);
    // Others may not read what starts at the user's login.
    EXPECT_EQ(testing::fileMode(folder.path() / "autostart"), 0700u);
    EXPECT_EQ(testing::fileMode(item.entryFile()), 0600u);
    EXPECT_FALSE(item.setLaunchAtLogin(false));
    EXPECT_FALSE(std::filesystem::exists(item.entryFile()));
    EXPECT_TRUE(records.empty());
}

TEST_F(AutostartLoginItemTest, SpecialCharactersInTheProgramPathAreEscaped) {
    AutostartLoginItem item(folder.path(), "/a\"b$c\\d%e");
    ASSERT_TRUE(item.setLaunchAtLogin(true));
    EXPECT_NE(
        readWholeFile(item.entryFile())->find("Exec=\"/a\\\\\"b\\\\$c\\\\\\\\d%%e\" --autostart\n"),
        std::string::npos);
}

TEST_F(AutostartLoginItemTest, ALauncherReadsTheExactProgramBackFromTheExecLine) {
    for (const std::string program :
         {"/opt/Keep sift/bin/keepsift", "/a\"b$c\\d%e`f", "/tab\there/new\nline/keepsift",
          "/usr/bin/keep'sift;&|<>*?#()~="}) {
        SCOPED_TRACE(program);
        AutostartLoginItem item(folder.path() / "autostart", program);
        ASSERT_TRUE(item.setLaunchAtLogin(true));
        const std::string entry = *readWholeFile(item.entryFile());
        EXPECT_EQ(testing::execArguments(entry),
                  (std::vector<std::string>{program, "--autostart"}));
        // One entry line per key: the program's own line breaks are escaped.
        EXPECT_EQ(std::count(entry.begin(), entry.end(), '\n'), 6);
        ASSERT_FALSE(item.setLaunchAtLogin(false));
    }
}

TEST_F(AutostartLoginItemTest, ARebuiltBinaryIsStartedByItsPathNotAsDeleted) {
    AutostartLoginItem item(folder.path(), "/home/u/build/keepsift (deleted)");
    ASSERT_TRUE(item.setLaunchAtLogin(true));
    EXPECT_EQ(testing::execArguments(*readWholeFile(item.entryFile())),
              (std::vector<std::string>{"/home/u/build/keepsift", "--autostart"}));
}

TEST_F(AutostartLoginItemTest, AFolderThatCannotBeWrittenReportsTheRealStateAndLogs) {
    // A file where the folder should be fails for root as well.
    std::filesystem::create_directories(folder.path() / "config");
    replaceFileAtomically(folder.path() / "config" / "autostart", "not a folder");
    AutostartLoginItem item(folder.path() / "config" / "autostart", "/usr/bin/keepsift");
    EXPECT_FALSE(item.setLaunchAtLogin(true));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].category, "login-item");
    EXPECT_EQ(records[0].level, LogLevel::error);
    EXPECT_TRUE(records[0].message.starts_with("login item register failed: "));
}

// An entry written for a binary that has since moved starts the running one again, with the
// library it was given.
TEST_F(AutostartLoginItemTest, AnEnabledEntryFollowsTheBinaryAndKeepsItsLibrary) {
    AutostartLoginItem before(folder.path(), "/home/u/old build/keepsift");
    ASSERT_TRUE(before.setLaunchAtLogin(true));
    std::string entry = *readWholeFile(before.entryFile());
    const std::string exec = "Exec=\"/home/u/old build/keepsift\"";
    entry.replace(entry.find(exec), exec.size(), exec + " --library \"/home/u/My Photos\"");
    replaceFileAtomically(before.entryFile(), entry);

    AutostartLoginItem moved(folder.path(), "/home/u/new build/keep$sift");
    EXPECT_TRUE(moved.setLaunchAtLogin(true));
    const std::string now = *readWholeFile(moved.entryFile());
    EXPECT_EQ(testing::execArguments(now),
              (std::vector<std::string>{"/home/u/new build/keep$sift", "--library",
                                        "/home/u/My Photos", "--autostart"}));
    EXPECT_NE(now.find("Exec=\"/home/u/new build/keep\\\\$sift\" --library \"/home/u/My Photos\" "
                       "--autostart\n"),
              std::string::npos)
        << now;
    EXPECT_EQ(testing::fileMode(moved.entryFile()), 0600u);
    for (const LogRecord& record : records)
        EXPECT_NE(record.level, LogLevel::error) << record.message;
}

// The old program's own quotes and escapes end where its argument ends.
TEST_F(AutostartLoginItemTest, TheArgumentsAfterAnOddlyNamedOldProgramStay) {
    AutostartLoginItem before(folder.path(), "/old \"q\" x\\y/keep sift");
    ASSERT_TRUE(before.setLaunchAtLogin(true));
    std::string entry = *readWholeFile(before.entryFile());
    entry.insert(entry.find("\nTerminal="), " --library=/srv/photos");
    replaceFileAtomically(before.entryFile(), entry);
    ASSERT_EQ(testing::execArguments(entry),
              (std::vector<std::string>{"/old \"q\" x\\y/keep sift", "--autostart",
                                        "--library=/srv/photos"}));

    AutostartLoginItem moved(folder.path(), "/usr/bin/keepsift");
    EXPECT_TRUE(moved.setLaunchAtLogin(true));
    EXPECT_EQ(
        testing::execArguments(*readWholeFile(moved.entryFile())),
        (std::vector<std::string>{"/usr/bin/keepsift", "--autostart", "--library=/srv/photos"}));
}

TEST_F(AutostartLoginItemTest, AnEntryThatStartsTheRunningBinaryIsNotRewritten) {
    AutostartLoginItem item(folder.path(), "/usr/bin/keepsift");
    ASSERT_TRUE(item.setLaunchAtLogin(true));
    const std::string entry = *readWholeFile(item.entryFile());
    const ino_t inode = testing::fileInode(item.entryFile());
    EXPECT_TRUE(AutostartLoginItem(folder.path(), "/usr/bin/keepsift").setLaunchAtLogin(true));
    EXPECT_EQ(testing::fileInode(item.entryFile()), inode);
    EXPECT_EQ(readWholeFile(item.entryFile()), entry);
}

// Entries of older builds started Keepsift as a start by the user would: at login they get
// the argument that keeps it quiet, once, and keep the library they were given.
TEST_F(AutostartLoginItemTest, AnEntryOfAnOlderBuildLearnsThatItStartsAtLogin) {
    const std::string older = "[Desktop Entry]\nType=Application\nName=Keepsift\n"
                              "Exec=\"/usr/bin/keepsift\"%s\nTerminal=false\n"
                              "X-GNOME-Autostart-enabled=true\n";
    const auto written = [&](const std::string& arguments) {
        std::string entry = older;
        return entry.replace(entry.find("%s"), 2, arguments);
    };
    const auto file = folder.path() / AutostartLoginItem::entryName;
    AutostartLoginItem item(folder.path(), "/usr/bin/keepsift");
    replaceFileAtomically(file, written(""));
    EXPECT_TRUE(item.setLaunchAtLogin(true));
    EXPECT_EQ(testing::execArguments(*readWholeFile(file)),
              (std::vector<std::string>{"/usr/bin/keepsift", "--autostart"}));
    const ino_t inode = testing::fileInode(file);
    EXPECT_TRUE(item.setLaunchAtLogin(true));
    EXPECT_EQ(testing::fileInode(file), inode) << "brought up to date once";

    replaceFileAtomically(file, written(" --library \"/srv/My Photos\""));
    EXPECT_TRUE(item.setLaunchAtLogin(true));
    EXPECT_EQ(readWholeFile(file), written(" --autostart --library \"/srv/My Photos\""));
    EXPECT_EQ(testing::fileMode(file), 0600u);
}

// An entry of that name that Keepsift did not write is the user's: enabled, and left as it is.
TEST_F(AutostartLoginItemTest, AnEntryTheUserWroteIsLeftAlone) {
    const std::string own = "[Desktop Entry]\nType=Application\nName=Keepsift (nice)\n"
                            "Exec=nice -n 19 /opt/keepsift/keepsift\nTerminal=false\n";
    replaceFileAtomically(folder.path() / AutostartLoginItem::entryName, own);
    const ino_t inode = testing::fileInode(folder.path() / AutostartLoginItem::entryName);
    AutostartLoginItem item(folder.path(), "/usr/bin/keepsift");
    EXPECT_TRUE(item.setLaunchAtLogin(true));
    EXPECT_EQ(readWholeFile(item.entryFile()), own);
    EXPECT_EQ(testing::fileInode(item.entryFile()), inode);
}

} // namespace
} // namespace keepsift::app
