#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/support/Logger.hpp"

#include "Keepsift/shell/QuitSignals.hpp"
#include "Keepsift/shell/SingleInstance.hpp"
#include "Keepsift/shell/tests/QtEnvironment.hpp"
#include "platform/files/tests/OtherUser.hpp"
#include "platform/files/tests/TemporaryFolder.hpp"

namespace keepsift::app {
namespace {

// Each test has a runtime folder of its own, as a login session has, and a temporary folder.
class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(runtime);
        ::chmod(runtime.c_str(), 0700);
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        std::filesystem::create_directory(temporary);
        ::setenv("TMPDIR", temporary.c_str(), 1);
        if (const char* home = std::getenv("HOME")) previousHome = home;
        std::filesystem::create_directory(home);
        ::chmod(home.c_str(), 0700);
        ::setenv("HOME", home.c_str(), 1);
        Logger::setSinkForTesting([this](const LogRecord& record) { log.push_back(record); });
    }
    void TearDown() override {
        Logger::setSinkForTesting({});
        ::unsetenv("XDG_RUNTIME_DIR");
        ::unsetenv("TMPDIR");
        ::setenv("HOME", previousHome.c_str(), 1);
    }
    bool logged(const std::string& words) const {
        return std::any_of(log.begin(), log.end(), [&](const LogRecord& record) {
            return record.message.find(words) != std::string::npos;
        });
    }
    std::filesystem::path unusableSupport() {
        std::ofstream(folder.path() / "file") << "in the way";
        return folder.path() / "file" / "com.ambervale.keepsift";
    }

    testing::TemporaryFolder folder;
    std::filesystem::path runtime = folder.path() / "run";
    std::filesystem::path temporary = folder.path() / "tmp";
    std::filesystem::path home = folder.path() / "home";
    std::string previousHome = "/";
    std::vector<LogRecord> log;
};

TEST_F(SingleInstanceTest, ASecondLaunchHandsItsRequestToTheFirst) {
    const auto support = folder.path() / "data" / "com.ambervale.keepsift";
    SingleInstance first(support);
    ASSERT_TRUE(first.acquire());
    std::vector<std::string> requests;
    ASSERT_TRUE(first.listen([&](const std::string& request) { requests.push_back(request); }));

    SingleInstance second(support);
    EXPECT_FALSE(second.acquire());
    EXPECT_TRUE(second.handOver(SingleInstance::reopenRequest));
    EXPECT_TRUE(testing::processEventsUntil([&] { return !requests.empty(); }));
    EXPECT_EQ(requests, std::vector<std::string>{"reopen"});
}

TEST_F(SingleInstanceTest, AStaleSocketAndAReleasedLockNeverBlockAStart) {
    {
        SingleInstance crashed(folder.path());
        ASSERT_TRUE(crashed.acquire());
    }
    // A socket file left by a process that died without cleaning up.
    std::ofstream(folder.path() / SingleInstance::socketName) << "stale";
    SingleInstance next(folder.path());
    EXPECT_TRUE(next.acquire());
    EXPECT_TRUE(next.listen({}));
    SingleInstance nobody(folder.path() / "elsewhere");
    EXPECT_FALSE(nobody.handOver(SingleInstance::reopenRequest, 200));
}

// No room or no permission for the support folder: the launch goes on to tell the user,
// and still no second one runs beside it, whether its support folder works or not.
TEST_F(SingleInstanceTest, ALaunchWithoutItsSupportFolderStillNeverRunsBesideAnother) {
    const auto unusable = unusableSupport();
    SingleInstance first(unusable);
    ASSERT_TRUE(first.acquire());
    EXPECT_FALSE(SingleInstance(unusable).acquire());
    EXPECT_FALSE(SingleInstance(folder.path() / "support").acquire());
}

// Launched from cron, su or a bare ssh session, with no room for the support folder: three
// launches once all ran, and wrote one index between them when room was made.
TEST_F(SingleInstanceTest, WithoutARuntimeFolderOrASupportFolderStillOnlyOneRuns) {
    ::unsetenv("XDG_RUNTIME_DIR");
    const auto unusable = unusableSupport();
    SingleInstance first(unusable);
    ASSERT_TRUE(first.acquire());
    EXPECT_FALSE(SingleInstance(unusable).acquire());
    EXPECT_FALSE(SingleInstance(unusable).acquire());
    EXPECT_FALSE(SingleInstance(folder.path() / "support").acquire());
}

// Another user's folder (a link where root cannot hand one over) where the private temporary
// folder belongs, and no room for the support folder: a lock on the home folder needs no room.
TEST_F(SingleInstanceTest, WithEveryLockFileRefusedOrOutOfRoomStillOnlyOneRuns) {
    ::unsetenv("XDG_RUNTIME_DIR");
    const auto fallback = temporary / ("com.ambervale.keepsift-" + std::to_string(::geteuid()));
    std::filesystem::create_directory(fallback);
    ::chmod(fallback.c_str(), 0777);
    if (::geteuid() != 0 || ::chown(fallback.c_str(), 65534, 65534) != 0) {
        std::filesystem::rename(fallback, folder.path() / "theirs");
        std::filesystem::create_directory_symlink(folder.path() / "theirs", fallback);
    }
    const auto unusable = unusableSupport();
    SingleInstance first(unusable);
    ASSERT_TRUE(first.acquire());
    EXPECT_FALSE(SingleInstance(unusable).acquire());
    EXPECT_FALSE(SingleInstance(unusable).acquire());
    std::filesystem::remove(folder.path() / "file");
    EXPECT_FALSE(SingleInstance(unusable).acquire());
    EXPECT_TRUE(std::filesystem::is_empty(fallback));
    EXPECT_TRUE(logged("refused: " + fallback.string()));
}

// Another local user can open a home folder others may read, and lock it: such a lock is
// refused, never taken for a running Keepsift.
TEST_F(SingleInstanceTest, AnotherUsersLockOnTheHomeFolderKeepsNoLaunchFromRunning) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t squatter = ::fork();
    if (squatter == 0) {
        const int fd = ::open(home.c_str(), O_RDONLY | O_DIRECTORY);
        const bool locked =
            fd >= 0 && ::setresuid(65534, 65534, 65534) == 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        // Asked after the change of user, which clears it: the squatter waits no longer than
        // the test.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::write(ready[1], locked ? "y" : "n", 1) == 1) ::pause();
        ::_exit(0);
    }
    ::close(ready[1]); // a squatter that died is an end of the pipe, not a wait
    char locked = 0;
    EXPECT_EQ(::read(ready[0], &locked, 1), 1);
    if (locked == 'y') {
        SingleInstance first(folder.path() / "support");
        EXPECT_TRUE(first.acquire());
        EXPECT_FALSE(SingleInstance(folder.path() / "support").acquire());
        EXPECT_TRUE(logged("refused: " + home.string()));
    }
    ::kill(squatter, SIGKILL);
    ::waitpid(squatter, nullptr, 0);
    ::close(ready[0]);
    EXPECT_EQ(locked, 'y');
}

TEST_F(SingleInstanceTest, OnlyAPrivateTemporaryFolderOfTheUsersOwnIsUsed) {
    const auto own = temporary / ("keepsift-test-" + std::to_string(::geteuid()));
    EXPECT_EQ(privateTemporaryFolder("keepsift-test"), own);
    struct stat info {};
    ASSERT_EQ(::lstat(own.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ::chmod(own.c_str(), 0755);
    EXPECT_EQ(privateTemporaryFolder("keepsift-test"), std::nullopt);
    std::filesystem::remove(own);
    std::filesystem::create_directory(folder.path() / "elsewhere");
    ::chmod((folder.path() / "elsewhere").c_str(), 0700);
    std::filesystem::create_directory_symlink(folder.path() / "elsewhere", own);
    EXPECT_EQ(privateTemporaryFolder("keepsift-test"), std::nullopt);
    if (::geteuid() != 0) return;
    std::filesystem::remove(own);
    std::filesystem::create_directory(own);
    ::chmod(own.c_str(), 0700);
    ASSERT_EQ(::chown(own.c_str(), 4242, 4242), 0);
    EXPECT_EQ(privateTemporaryFolder("keepsift-test"), std::nullopt);
}

// A save killed midway leaves its temporary file; only the lock holder may remove such
// files, since a running instance may be saving.
TEST_F(SingleInstanceTest, TheLockHolderRemovesWhatKilledSavesLeftAndALaterLaunchDoesNot) {
    const auto support = folder.path() / "support";
    const auto library = support / "libraries" / "0123456789abcdef";
    std::filesystem::create_directories(library);
    for (const auto& file :
         {library / ".library-index.json.Ab12Cd", support / ".review-journal.json.x9Y8z7",
          library / "library-index.json"})
        std::ofstream(file) << "{";
    SingleInstance first(support);
    ASSERT_TRUE(first.acquire());
    EXPECT_FALSE(std::filesystem::exists(library / ".library-index.json.Ab12Cd"));
    EXPECT_FALSE(std::filesystem::exists(support / ".review-journal.json.x9Y8z7"));
    EXPECT_TRUE(std::filesystem::exists(library / "library-index.json"));
    std::ofstream(library / ".library-index.json.Ef34Gh") << "saving";
    EXPECT_FALSE(SingleInstance(support).acquire());
    EXPECT_TRUE(std::filesystem::exists(library / ".library-index.json.Ef34Gh"));
}

TEST_F(SingleInstanceTest, OnlyAPrivateRuntimeFolderIsUsed) {
    EXPECT_EQ(privateRuntimeFolder(), runtime);
    ::chmod(runtime.c_str(), 0755);
    EXPECT_EQ(privateRuntimeFolder(), std::nullopt);
    ::setenv("XDG_RUNTIME_DIR", "relative", 1);
    EXPECT_EQ(privateRuntimeFolder(), std::nullopt);
}

TEST(QuitSignals, TerminationAndInterruptArriveOnTheEventLoop) {
    QuitSignals quitSignals;
    int requests = 0;
    QObject::connect(&quitSignals, &QuitSignals::quitRequested, [&] { ++requests; });
    ::raise(SIGTERM);
    EXPECT_TRUE(testing::processEventsUntil([&] { return requests == 1; }));
    ::raise(SIGINT);
    EXPECT_TRUE(testing::processEventsUntil([&] { return requests == 2; }));
}

// Another user made the support folder first where everyone may make folders, and listens
// there in the socket's place: no lock or socket of the user's goes in, and no later launch
// hands its request to them.
TEST_F(SingleInstanceTest, AnotherUsersSupportFolderGetsNoLockNoSocketAndNoRequest) {
    if (!testing::asOtherUser([] { return true; }))
        GTEST_SKIP() << "needs root to start another user's process";
    ::chmod(folder.path().c_str(), 0711);
    const auto shared = folder.path() / "data";
    std::filesystem::create_directory(shared);
    ::chmod(shared.c_str(), 01777);
    const auto support = shared / "com.ambervale.keepsift";
    ASSERT_TRUE(testing::otherUserMakesOpenFolders({support}));
    SingleInstance first(support);
    ASSERT_TRUE(first.acquire());
    EXPECT_FALSE(first.listen({}));
    EXPECT_TRUE(logged("it belongs to another user"));
    EXPECT_TRUE(std::filesystem::is_empty(support));

    const int theirs = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const auto path = (support / SingleInstance::socketName).string();
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(theirs, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::chown(path.c_str(), testing::otherUserId, testing::otherUserId), 0);
    ASSERT_EQ(::listen(theirs, 4), 0);
    SingleInstance second(support);
    EXPECT_FALSE(second.acquire());
    EXPECT_FALSE(second.handOver(SingleInstance::reopenRequest, 200));
    EXPECT_LT(::accept(theirs, nullptr, nullptr), 0);
    ::close(theirs);
}

} // namespace
} // namespace keepsift::app
