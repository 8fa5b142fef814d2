#include <csignal>
#include <fstream>
#include <gtest/gtest.h>

#include "Keepsift/shell/QuitSignals.hpp"
#include "Keepsift/shell/SingleInstance.hpp"
#include "Keepsift/shell/tests/QtEnvironment.hpp"
#include "platform/files/tests/TemporaryFolder.hpp"

namespace keepsift::app {
namespace {

TEST(SingleInstance, ASecondLaunchHandsItsRequestToTheFirst) {
    testing::TemporaryFolder folder;
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

TEST(SingleInstance, AStaleSocketAndAReleasedLockNeverBlockAStart) {
    testing::TemporaryFolder folder;
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
