// A dotfiles manager keeps Keepsift's own files as links to files elsewhere.
#include <chrono>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include "BlockedByPipes.hpp"
#include "TemporaryFolder.hpp"
#include "platform/files/AtomicFile.hpp"

namespace keepsift {
namespace {

namespace fs = std::filesystem;

bool isPrivate(const fs::path& file) {
    return fs::symlink_status(file).permissions() ==
           (fs::perms::owner_read | fs::perms::owner_write);
}

std::set<std::string> namesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// Keepsift's folder and a dotfiles folder beside it.
class LinkedFile : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(own);
        fs::create_directory(dotfiles);
    }
    // A link in Keepsift's folder, named as the file, to `target` (relative as stow makes them).
    fs::path linkTo(const fs::path& target, const std::string& name = "index.json") {
        fs::create_symlink(target, own / name);
        return own / name;
    }
    PrivateFileRead read(const fs::path& path, std::size_t limit = 100) {
        PrivateFileRead got;
        EXPECT_TRUE(testing::finishesWithin(
            std::chrono::seconds(60), [&] { got = readPrivateFile(path, limit); }, pipes))
            << path;
        return got;
    }

    testing::TemporaryFolder folder;
    fs::path own = folder.path() / "keepsift";
    fs::path dotfiles = folder.path() / "dotfiles";
    std::vector<fs::path> pipes;
};

TEST_F(LinkedFile, IsReadThroughAChainOfLinksToARegularFile) {
    replaceFileAtomically(dotfiles / "index.json", "content");
    const auto first = linkTo("../dotfiles/index.json");
    const auto second = linkTo(first, "second");
    const auto got = read(second);
    EXPECT_EQ(got.content, "content");
    EXPECT_EQ(got.problem, "");
    EXPECT_EQ(readFileHead(first, 3), "con");
}

TEST_F(LinkedFile, AWriteReplacesTheFileItLeadsToAndTheLinkStays) {
    replaceFileAtomically(dotfiles / "index.json", "old");
    ::chmod((dotfiles / "index.json").c_str(), 0644);
    const auto link = linkTo("../dotfiles/index.json");
    replaceFileAtomically(link, "new");
    EXPECT_EQ(fs::read_symlink(link), "../dotfiles/index.json");
    EXPECT_EQ(readWholeFile(dotfiles / "index.json"), "new");
    EXPECT_TRUE(isPrivate(dotfiles / "index.json"));
    EXPECT_EQ(namesIn(dotfiles), std::set<std::string>{"index.json"});
    EXPECT_EQ(namesIn(own), std::set<std::string>{"index.json"});
}

// What a refused link leads to is left as it is; a write in place of a link to anything but a
// file replaces the link itself.
TEST_F(LinkedFile, APipeAFolderADeviceOrAFileOverTheBoundBehindALinkIsRefused) {
    ASSERT_EQ(::mkfifo((dotfiles / "pipe").c_str(), 0600), 0);
    pipes.push_back(dotfiles / "pipe");
    fs::create_directory(dotfiles / "folder");
    replaceFileAtomically(dotfiles / "large", std::string(101, 'x'));
    const std::map<std::string, std::string> expected{{"pipe", "not a regular file"},
                                                      {"folder", "not a regular file"},
                                                      {"/dev/zero", "not a regular file"},
                                                      {"large", "larger than 100 bytes"}};
    for (const auto& [target, problem] : expected) {
        const auto link = linkTo(fs::path(target).is_absolute() ? target : "../dotfiles/" + target);
        const auto got = read(link);
        EXPECT_EQ(got.content, std::nullopt) << target;
        EXPECT_EQ(got.problem, problem) << target;
        // The reader's bound is no reason for a write to leave a file of the user's.
        if (target != "large") {
            replaceFileAtomically(link, "written");
            EXPECT_EQ(readWholeFile(link), "written") << target;
            EXPECT_FALSE(fs::is_symlink(link)) << target;
        }
        fs::remove(link);
    }
    struct stat info {};
    EXPECT_TRUE(::stat((dotfiles / "pipe").c_str(), &info) == 0 && S_ISFIFO(info.st_mode));
    EXPECT_TRUE(fs::is_empty(dotfiles / "folder"));
    EXPECT_EQ(readWholeFile(dotfiles / "large"), std::string(101, 'x'));
    const auto loop = linkTo("index.json");
    EXPECT_NE(read(loop).problem, "");
}

// A write makes the file a link names when its folder is there, as a dotfiles user expects;
// where no folder is (the storage of the dotfiles away), the link stays and nothing is written.
TEST_F(LinkedFile, ALinkThatLeadsNowhereIsAMissingFile) {
    const auto link = linkTo("../dotfiles/index.json");
    const auto got = read(link);
    EXPECT_EQ(got.content, std::nullopt);
    EXPECT_EQ(got.problem, "");
    replaceFileAtomically(link, "made");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readWholeFile(dotfiles / "index.json"), "made");
    EXPECT_TRUE(isPrivate(dotfiles / "index.json"));

    const auto nowhere = linkTo("../gone/journal.json", "journal.json");
    EXPECT_EQ(read(nowhere).problem, "");
    EXPECT_THROW(replaceFileAtomically(nowhere, "lost"), std::system_error);
    EXPECT_TRUE(fs::is_symlink(nowhere));
    EXPECT_EQ(namesIn(own), (std::set<std::string>{"index.json", "journal.json"}));
    EXPECT_FALSE(fs::exists(folder.path() / "gone"));
}

TEST_F(LinkedFile, AFileOrFolderOfAnotherUserBehindALinkIsNeverReplaced) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root gives a file to another user";
    replaceFileAtomically(dotfiles / "index.json", "theirs");
    ASSERT_EQ(::chown((dotfiles / "index.json").c_str(), 65534, 65534), 0);
    const auto link = linkTo("../dotfiles/index.json");
    EXPECT_EQ(read(link).content, "theirs");
    replaceFileAtomically(link, "mine");
    EXPECT_FALSE(fs::is_symlink(link));
    EXPECT_EQ(readWholeFile(link), "mine");
    EXPECT_EQ(readWholeFile(dotfiles / "index.json"), "theirs");

    fs::create_directory(folder.path() / "theirs");
    ASSERT_EQ(::chown((folder.path() / "theirs").c_str(), 65534, 65534), 0);
    const auto into = linkTo("../theirs/journal.json", "journal.json");
    replaceFileAtomically(into, "mine");
    EXPECT_FALSE(fs::is_symlink(into));
    EXPECT_TRUE(fs::is_empty(folder.path() / "theirs"));
}

} // namespace
} // namespace keepsift
