#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "Keepsift/shell/QuitSignals.hpp"
#include "Keepsift/shell/SingleInstance.hpp"
#include "Keepsift/shell/tests/QtEnvironment.hpp"
#include "platform/files/tests/TemporaryFolder.hpp"

namespace keepsift::app {
namespace {

// Each test has a runtime folder of its own, as a login session has.
class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(runtime);
        ::chmod(runtime.c_str(), 0700);
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }
    void TearDown() override { ::unsetenv("XDG_RUNTIME_DIR"); }

    testing::TemporaryFolder folder;
    std::filesystem::path runtime = folder.path() / "run";
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
    std::ofstream(folder.path() / "file") << "in the way";
    const auto unusable = folder.path() / "file" / "com.ambervale.keepsift";
    SingleInstance first(unusable);
    ASSERT_TRUE(first.acquire());
    EXPECT_FALSE(SingleInstance(unusable).acquire());
    EXPECT_FALSE(SingleInstance(folder.path() / "support").acquire());
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

} // namespace
} // namespace keepsift::app
