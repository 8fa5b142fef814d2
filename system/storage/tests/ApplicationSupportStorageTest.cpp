#include <chrono>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

#include "core/index/IndexFiles.hpp"
#include "platform/files/AtomicFile.hpp"
#include "platform/files/tests/BlockedByPipes.hpp"
#include "platform/files/tests/FileLimit.hpp"
#include "platform/files/tests/TemporaryFolder.hpp"
#include "system/storage/ApplicationSupportStorage.hpp"

namespace keepsift {
namespace {

struct ApplicationSupportStorageTest : ::testing::Test {
    testing::TemporaryFolder folder;
    ApplicationSupportStorage storage =
        ApplicationSupportStorage::inDirectory(folder.path() / "a" / "b");
};

TEST_F(ApplicationSupportStorageTest, CreatesItsFolderUnderXdgDataHome) {
    ::setenv("XDG_DATA_HOME", folder.path().c_str(), 1);
    ApplicationSupportStorage live("com.ambervale.keepsift");
    EXPECT_EQ(live.directory(), folder.path() / "com.ambervale.keepsift");
    EXPECT_TRUE(std::filesystem::is_directory(live.directory()));
}

// Hand decisions and the library's file names are the user's alone.
TEST_F(ApplicationSupportStorageTest, ItsFolderAndFilesArePrivate) {
    ::setenv("XDG_DATA_HOME", (folder.path() / "data").c_str(), 1);
    ApplicationSupportStorage live("com.ambervale.keepsift");
    live.write("{}", "library-index.json");
    for (const auto& [path, mode] :
         {std::pair{folder.path() / "data", 0700u}, std::pair{live.directory(), 0700u},
          std::pair{live.directory() / "library-index.json", 0600u}}) {
        struct stat info {};
        ASSERT_EQ(::stat(path.c_str(), &info), 0) << path;
        EXPECT_EQ(info.st_mode & 07777, mode) << path;
    }
}

// The application's storage is made whatever the folder's state, and says why it cannot be
// used; every look tries again.
TEST_F(ApplicationSupportStorageTest, AFolderThatCannotBeMadeOrWrittenIsToldAndTriedAgain) {
    const auto data = folder.path() / "data";
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);
    storage.write("", "blocker");
    std::filesystem::create_symlink(storage.directory() / "blocker", data);
    auto live = ApplicationSupportStorage::whenAvailable("com.ambervale.keepsift");
    EXPECT_THAT(live->unavailability().value_or(""),
                ::testing::StartsWith("cannot create " + live->directory().string()));
    EXPECT_EQ(live->read("library-index.json"), std::nullopt);
    EXPECT_ANY_THROW(live->write("{}", "library-index.json"));

    std::filesystem::remove(data);
    {
        testing::FileSizeLimit full(1);
        EXPECT_THAT(live->unavailability().value_or(""),
                    ::testing::StartsWith("cannot write in " + live->directory().string()));
    }
    EXPECT_EQ(live->unavailability(), std::nullopt);
    EXPECT_TRUE(std::filesystem::is_empty(live->directory()));
    live->write("{}", "library-index.json");
    EXPECT_EQ(live->openError("library-index.json"), 0);
    EXPECT_EQ(live->openError("missing.json"), 0);
}

TEST_F(ApplicationSupportStorageTest, AFileThatCannotBeOpenedIsTold) {
    if (::geteuid() == 0) GTEST_SKIP() << "root opens every file";
    storage.write("{}", "library-index.json");
    ::chmod((storage.directory() / "library-index.json").c_str(), 0);
    EXPECT_EQ(storage.openError("library-index.json"), EACCES);
}

TEST_F(ApplicationSupportStorageTest, FolderThatCannotBeMadeThrows) {
    storage.write("x", "file");
    EXPECT_ANY_THROW(ApplicationSupportStorage::inDirectory(storage.directory() / "file" / "sub"));
}

TEST_F(ApplicationSupportStorageTest, WritesReadsAndRemoves) {
    EXPECT_EQ(storage.read("library-index.json"), std::nullopt);
    storage.write("{}", "library-index.json");
    EXPECT_EQ(storage.read("library-index.json"), "{}");
    storage.remove("library-index.json");
    EXPECT_EQ(storage.read("library-index.json"), std::nullopt);
    EXPECT_NO_THROW(storage.remove("library-index.json"));
}

TEST_F(ApplicationSupportStorageTest, FolderUnderTheNameReadsAsNothingAndRefusesRemoval) {
    std::filesystem::create_directories(storage.directory() / "taken" / "inner");
    EXPECT_EQ(storage.read("taken"), std::nullopt);
    EXPECT_THROW(storage.remove("taken"), std::filesystem::filesystem_error);
}

// Whatever is put in a file's place, a look at it never waits; a link is read through to a
// regular file only; what cannot be had says why.
TEST_F(ApplicationSupportStorageTest, APipeOrLinkToOneIsNotReadAndNeverWaitedFor) {
    const auto elsewhere = folder.path() / "elsewhere";
    replaceFileAtomically(elsewhere, "{}");
    const auto pipe = storage.directory() / "pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::filesystem::create_symlink(pipe, storage.directory() / "link-to-pipe");
    std::filesystem::create_symlink(elsewhere, storage.directory() / "link");
    std::map<std::string, std::string> problems;
    ASSERT_TRUE(
        testing::finishesWithin(std::chrono::seconds(60),
                                [&] {
                                    for (const char* name : {"pipe", "link-to-pipe", "link"}) {
                                        EXPECT_EQ(storage.openError(name), 0) << name;
                                        problems[name] = storage.readAtMost(name, 100).problem;
                                    }
                                },
                                {pipe}));
    EXPECT_EQ(problems["pipe"], "not a regular file");
    EXPECT_EQ(problems["link-to-pipe"], "not a regular file");
    EXPECT_EQ(problems["link"], "");
    EXPECT_EQ(storage.read("link"), "{}");
}

TEST_F(ApplicationSupportStorageTest, AFileLargerThanAskedIsNotRead) {
    storage.write("0123456789", "list");
    EXPECT_EQ(storage.readAtMost("list", 10).data, "0123456789");
    const auto larger = storage.readAtMost("list", 9);
    EXPECT_EQ(larger.data, std::nullopt);
    EXPECT_EQ(larger.problem, "larger than 9 bytes");
    EXPECT_EQ(storage.readAtMost("missing", 9).problem, "");
}

TEST_F(ApplicationSupportStorageTest, MovesFilesAsideWhateverTheyHold) {
    EXPECT_FALSE(storage.exists("a"));
    storage.write("x", "a");
    storage.write("old", "b");
    EXPECT_TRUE(storage.exists("a"));
    storage.move("a", "b");
    EXPECT_FALSE(storage.exists("a"));
    EXPECT_EQ(storage.read("b"), "x");
    EXPECT_THROW(storage.move("a", "c"), std::system_error);
}

TEST_F(ApplicationSupportStorageTest, NamesWithFoldersAreRefused) {
    EXPECT_THROW(storage.write("x", "../escape"), std::invalid_argument);
    EXPECT_THROW(storage.write("x", ".."), std::invalid_argument);
    EXPECT_THROW(storage.remove("a/b"), std::invalid_argument);
    EXPECT_EQ(storage.read("../b"), std::nullopt);
}

TEST_F(ApplicationSupportStorageTest, InterruptedSaveLeavesThePreviousIndexIntact) {
    auto shared = std::make_shared<ApplicationSupportStorage>(storage);
    IndexFiles files(shared);
    LibraryIndex before = LibraryIndex::fresh("v");
    before.ignoredGroups = {"kept"};
    files.saveIndex(before);
    LibraryIndex big = LibraryIndex::fresh(std::string(200000, 'v'));
    {
        testing::FileSizeLimit limit(8192);
        EXPECT_THROW(files.saveIndex(big), std::system_error);
    }
    EXPECT_EQ(files.loadIndex(), before);
}

// A save killed after its temporary file was made leaves it behind.
void killedWhileSaving(const std::filesystem::path& file) {
    const pid_t child = ::fork();
    if (child == 0) {
        try {
            replaceFileAtomically(file, [](const auto& write) {
                write("half of it");
                std::_Exit(0);
            });
        } catch (...) {
        }
        std::_Exit(1);
    }
    ::waitpid(child, nullptr, 0);
}

std::vector<std::string> namesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

TEST_F(ApplicationSupportStorageTest, OnlyTemporaryFilesOfKilledSavesAreRemoved) {
    namespace fs = std::filesystem;
    const fs::path dir = storage.directory();
    storage.write("saved", "library-index.json");
    killedWhileSaving(dir / "library-index.json");
    killedWhileSaving(dir / "review-journal.json");
    ASSERT_EQ(namesIn(dir).size(), 3u);
    for (const char* kept : {".library-index.json.tmp", ".library-index.json.ABC12",
                             "library-index.json.ABC123", ".library-index.json.AB-123"})
        storage.write("not ours", kept);
    fs::create_directory(dir / ".folder.ABC123");
    fs::create_symlink(dir / "library-index.json", dir / ".link.ABC123");
    ApplicationSupportStorage::removeLeftoverTemporaries(dir);
    EXPECT_THAT(namesIn(dir), ::testing::UnorderedElementsAre(
                                  "library-index.json", ".library-index.json.tmp",
                                  ".library-index.json.ABC12", "library-index.json.ABC123",
                                  ".library-index.json.AB-123", ".folder.ABC123", ".link.ABC123"));
    EXPECT_EQ(storage.read("library-index.json"), "saved");
}

} // namespace
} // namespace keepsift
