#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "ClientFixture.hpp"
#include "platform/files/AtomicFile.hpp"
#include "platform/files/tests/BlockedByPipes.hpp"
#include "telemetry/client/SignalCache.hpp"

namespace keepsift::analytics {
namespace {

SignalPostBody numbered(int n) {
    SignalPostBody r;
    r.receivedAt = Date{n + 0.25};
    r.appID = "APP";
    r.clientUser = "u";
    r.sessionID = "S";
    r.type = "signal " + std::to_string(n);
    r.payload = Payload(ParameterMap{{"n", std::to_string(n)}});
    r.isTestMode = "false";
    return r;
}

std::vector<int> numbers(const std::vector<SignalPostBody>& records) {
    std::vector<int> out;
    for (const auto& r : records)
        out.push_back(static_cast<int>(r.receivedAt.seconds));
    return out;
}

struct SignalCacheTest : testing::ClientFixture {
    std::unique_ptr<SignalCache> make(std::int64_t limit = 10000) {
        return std::make_unique<SignalCache>(logs.handler(), limit);
    }
    void writeBackup(const std::string& text) {
        std::filesystem::create_directories(backupFile().parent_path());
        std::ofstream(backupFile(), std::ios::binary) << text;
    }
};

TEST_F(SignalCacheTest, KeepsTheNewestUpToItsLimitPushedOneByOneOrAsAList) {
    auto cache = make(3);
    for (int n = 1; n <= 5; ++n)
        cache->push(numbered(n));
    EXPECT_EQ(numbers(cache->pop()), (std::vector<int>{3, 4, 5}));
    std::vector<SignalPostBody> five;
    for (int n = 1; n <= 5; ++n)
        five.push_back(numbered(n));
    cache->push(five);
    EXPECT_EQ(numbers(cache->pop()), (std::vector<int>{3, 4, 5}));
}

TEST_F(SignalCacheTest, PopsAtMostOneHundredOldestFirst) {
    auto cache = make();
    for (int n = 0; n < 250; ++n)
        cache->push(numbered(n));
    EXPECT_EQ(cache->pop().front().type, "signal 0");
    EXPECT_EQ(cache->pop().size(), 100u);
    EXPECT_EQ(cache->pop().size(), 50u);
    EXPECT_TRUE(cache->pop().empty());
}

TEST_F(SignalCacheTest, StartWithoutBackupLogsOnlyTheLoadingLine) {
    auto cache = make();
    EXPECT_EQ(logs.messages(),
              std::vector<std::string>{"Loading Telemetry cache from: " + backupFile().string()});
    EXPECT_EQ(cache->count(), 0u);
}

TEST_F(SignalCacheTest, SaveThenNewCacheRestoresInOrderAndDeletesTheFile) {
    auto cache = make();
    for (int n = 0; n < 3; ++n)
        cache->push(numbered(n));
    cache->saveToDisk();
    EXPECT_EQ(cache->count(), 0u);
    EXPECT_TRUE(std::filesystem::exists(backupFile()));
    EXPECT_TRUE(logs.contains(" of 3 signals"));
    auto next = make();
    EXPECT_FALSE(std::filesystem::exists(backupFile()));
    EXPECT_TRUE(logs.contains("Loaded 3 signals"));
    const auto restored = next->pop();
    EXPECT_EQ(restored, (std::vector<SignalPostBody>{numbered(0), numbered(1), numbered(2)}));
}

TEST_F(SignalCacheTest, BackupLargerThanTheLimitLoadsOnlyTheNewest) {
    auto cache = make();
    for (int n = 0; n < 5; ++n)
        cache->push(numbered(n));
    cache->saveToDisk();
    EXPECT_EQ(numbers(make(2)->pop()), (std::vector<int>{3, 4}));
}

TEST_F(SignalCacheTest, DamagedBackupsAreDeletedLoggedAndIgnored) {
    std::string whole = encodeBackup(std::vector<SignalPostBody>{numbered(1), numbered(2)});
    for (const std::string& damaged :
         {whole.substr(0, whole.size() / 2), std::string(), std::string("{\"a\":1}"),
          std::string("\"text\""), std::string("[1,2]"), std::string("\xff\xfe[")}) {
        writeBackup(damaged);
        auto cache = make();
        EXPECT_EQ(cache->count(), 0u);
        EXPECT_FALSE(std::filesystem::exists(backupFile()));
        EXPECT_TRUE(logs.contains("Discarded an unreadable Telemetry cache"));
    }
}

TEST_F(SignalCacheTest, HugeBackupIsRefusedBySizeBeforeItIsRead) {
    std::filesystem::create_directories(backupFile().parent_path());
    const int file = ::open(backupFile().c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(file, 0);
    ASSERT_EQ(::ftruncate(file, 500LL * 1000 * 1000), 0); // sparse: no blocks are written
    ::close(file);
    auto cache = make();
    EXPECT_EQ(cache->count(), 0u);
    EXPECT_FALSE(std::filesystem::exists(backupFile()));
    EXPECT_TRUE(logs.contains("Deleted a Telemetry cache unread: larger than 134217728 bytes"));
}

// A pipe is never waited for: a link to one is deleted unread and the pipe left alone.
TEST_F(SignalCacheTest, ALinkToAPipeIsDeletedUnread) {
    std::filesystem::create_directories(backupFile().parent_path());
    const auto pipe = folder.path() / "pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::filesystem::create_symlink(pipe, backupFile());
    std::size_t count = 1;
    ASSERT_TRUE(keepsift::testing::finishesWithin(std::chrono::seconds(60),
                                                  [&] { count = make()->count(); }, {pipe}));
    EXPECT_EQ(count, 0u);
    EXPECT_FALSE(std::filesystem::is_symlink(backupFile()));
    EXPECT_TRUE(logs.contains("Deleted a Telemetry cache unread: not a regular file"));
    EXPECT_TRUE(std::filesystem::exists(pipe));
}

// A cache kept elsewhere behind a link is read, and the next save writes where the link leads.
TEST_F(SignalCacheTest, ACacheBehindALinkIsReadAndSavedWhereItLeads) {
    std::filesystem::create_directories(backupFile().parent_path());
    const auto elsewhere = folder.path() / "elsewhere";
    std::ofstream(elsewhere) << encodeBackup(std::vector<SignalPostBody>{numbered(1)});
    std::filesystem::create_symlink(elsewhere, backupFile());
    auto cache = make();
    EXPECT_EQ(cache->count(), 1u);
    cache->saveToDisk();
    EXPECT_TRUE(std::filesystem::is_symlink(backupFile()));
    EXPECT_EQ(decodeBackup(readWholeFile(elsewhere).value_or("")).size(), 1u);
}

TEST_F(SignalCacheTest, UnwritableFolderKeepsTheSignalsAndTheNextSaveTriesAgain) {
    // A plain file where the folder should be: no folder can be made there, even by root.
    std::filesystem::create_directories(folder.path() / "cache");
    std::ofstream(folder.path() / "cache/com.ambervale.keepsift") << "in the way";
    auto cache = make();
    cache->push(numbered(1));
    cache->saveToDisk();
    EXPECT_EQ(cache->count(), 1u);
    EXPECT_EQ(logs.messages(LogHandler::LogLevel::error),
              std::vector<std::string>{"Error saving Telemetry cache"});
    std::filesystem::remove(folder.path() / "cache/com.ambervale.keepsift");
    cache->saveToDisk();
    EXPECT_EQ(cache->count(), 0u);
    EXPECT_TRUE(std::filesystem::exists(backupFile()));
}

} // namespace
} // namespace keepsift::analytics
