#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

#include "core/storage/UserDefaultsStorage.hpp"
#include "core/support/Json.hpp"
#include "platform/defaults/FileUserDefaults.hpp"
#include "platform/files/AtomicFile.hpp"
#include "platform/files/tests/BlockedByPipes.hpp"
#include "platform/files/tests/TemporaryFolder.hpp"

namespace keepsift {
namespace {

struct FileUserDefaultsTest : ::testing::Test {
    testing::TemporaryFolder folder;
    std::filesystem::path file = folder.path() / "com.ambervale.keepsift" / "defaults.json";

    void writeFile(const std::string& text) {
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file) << text;
    }
};

TEST_F(FileUserDefaultsTest, ValuesOutliveTheObjectAsBase64) {
    {
        FileUserDefaults defaults(file);
        defaults.setObject(Data("{\"a\":1}"), "keepsift.settings");
        defaults.setObject(Data("\x00\xff", 2), "binary");
    }
    FileUserDefaults reopened(file);
    EXPECT_EQ(reopened.dataForKey("keepsift.settings"), "{\"a\":1}");
    EXPECT_EQ(reopened.dataForKey("binary"), Data("\x00\xff", 2));
    EXPECT_EQ(Json::parse(*readWholeFile(file)).at("keepsift.settings").asString(), "eyJhIjoxfQ==");
}

TEST_F(FileUserDefaultsTest, RemovingDeletesTheKeyFromTheFile) {
    FileUserDefaults defaults(file);
    defaults.setObject(Data("x"), "k");
    defaults.removeObject("k");
    defaults.removeObject("never");
    EXPECT_EQ(defaults.dataForKey("k"), std::nullopt);
    EXPECT_EQ(readWholeFile(file), "{}");
}

TEST_F(FileUserDefaultsTest, ValuesThatAreNotDataReadAsNothingButAreKept) {
    writeFile(R"({"number":5,"text":"not base64!","good":"eA=="})");
    FileUserDefaults defaults(file);
    EXPECT_EQ(defaults.dataForKey("number"), std::nullopt);
    EXPECT_EQ(defaults.dataForKey("text"), std::nullopt);
    EXPECT_EQ(defaults.dataForKey("good"), "x");
    defaults.setObject(Data("y"), "other");
    const Json stored = Json::parse(*readWholeFile(file));
    EXPECT_EQ(stored.at("number").asInt64(), 5);
}

TEST_F(FileUserDefaultsTest, UnreadableFileIsKeptBesideItBeforeItIsReplaced) {
    writeFile("{\"keepsift.settings\": \"trunc");
    FileUserDefaults defaults(file);
    EXPECT_EQ(defaults.dataForKey("keepsift.settings"), std::nullopt);
    defaults.setObject(Data("1"), "k");
    EXPECT_EQ(readWholeFile(file.string() + ".unreadable"), "{\"keepsift.settings\": \"trunc");
    EXPECT_EQ(FileUserDefaults(file).dataForKey("k"), "1");
}

// A pipe, or a link to one, in the file's place is neither read nor waited for; it is moved
// aside, and the pipe stays as it was.
TEST_F(FileUserDefaultsTest, APipeOrALinkToOneIsMovedAsideUnread) {
    const auto pipe = folder.path() / "pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::filesystem::create_directories(file.parent_path());
    for (const bool linked : {true, false}) {
        std::filesystem::remove(file);
        std::filesystem::remove(file.string() + ".unreadable");
        if (linked)
            std::filesystem::create_symlink(pipe, file);
        else
            ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
        std::optional<Data> read;
        ASSERT_TRUE(testing::finishesWithin(std::chrono::seconds(60),
                                            [&] { read = FileUserDefaults(file).dataForKey("k"); },
                                            {pipe, file}));
        EXPECT_EQ(read, std::nullopt) << linked;
        EXPECT_TRUE(
            std::filesystem::exists(std::filesystem::symlink_status(file.string() + ".unreadable")))
            << linked;
        FileUserDefaults(file).setObject(Data("y"), "k");
        EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(file)));
        EXPECT_EQ(FileUserDefaults(file).dataForKey("k"), "y");
    }
    struct stat info {};
    EXPECT_TRUE(::stat(pipe.c_str(), &info) == 0 && S_ISFIFO(info.st_mode));
}

// Settings a dotfiles manager keeps elsewhere behind a link are read and changed there.
TEST_F(FileUserDefaultsTest, SettingsBehindALinkAreReadAndChangedWhereItLeads) {
    const auto elsewhere = folder.path() / "dotfiles" / "defaults.json";
    std::filesystem::create_directories(elsewhere.parent_path());
    replaceFileAtomically(elsewhere, R"({"k":"eA=="})");
    std::filesystem::create_directories(file.parent_path());
    std::filesystem::create_symlink(elsewhere, file);
    FileUserDefaults defaults(file);
    EXPECT_EQ(defaults.dataForKey("k"), "x");
    defaults.setObject(Data("y"), "k");
    EXPECT_TRUE(std::filesystem::is_symlink(file));
    EXPECT_EQ(Json::parse(*readWholeFile(elsewhere)).at("k").asString(), "eQ==");
    EXPECT_FALSE(std::filesystem::exists(file.string() + ".unreadable"));
}

// 300,000 levels once overflowed the stack on every start; every damaged file is kept.
TEST_F(FileUserDefaultsTest, DeepNestingIsUnreadableAndEachDamagedFileIsKept) {
    const std::string deep = "{\"k\":" + std::string(300000, '[') + std::string(300000, ']') + "}";
    writeFile(deep);
    FileUserDefaults(file).setObject(Data("1"), "k");
    writeFile("{\"second\":");
    FileUserDefaults defaults(file);
    EXPECT_EQ(defaults.dataForKey("k"), std::nullopt);
    EXPECT_EQ(readWholeFile(file.string() + ".unreadable"), deep);
    EXPECT_EQ(readWholeFile(file.string() + ".unreadable.2"), "{\"second\":");
}

TEST_F(FileUserDefaultsTest, ConcurrentChangesAllReachTheFile) {
    {
        FileUserDefaults defaults(file);
        std::vector<std::jthread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([&, t] {
                for (int i = 0; i < 25; ++i)
                    defaults.setObject(Data(std::to_string(i)),
                                       "k" + std::to_string(t) + "-" + std::to_string(i));
            });
    }
    FileUserDefaults reopened(file);
    for (int t = 0; t < 4; ++t)
        EXPECT_EQ(reopened.dataForKey("k" + std::to_string(t) + "-24"), "24");
}

TEST_F(FileUserDefaultsTest, WorksAsKeyValueStorage) {
    UserDefaultsStorage storage(std::make_shared<FileUserDefaults>(file));
    storage.set(Data("v"), "k");
    EXPECT_EQ(storage.data("k"), "v");
    storage.set(std::nullopt, "k");
    EXPECT_EQ(FileUserDefaults(file).dataForKey("k"), std::nullopt);
}

TEST(FileUserDefaultsLocation, FollowsXdgConfigHome) {
    ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(FileUserDefaults::standardFile("com.ambervale.keepsift"),
              "/cfg/com.ambervale.keepsift/defaults.json");
}

} // namespace
} // namespace keepsift
