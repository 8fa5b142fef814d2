// A test that ctest's time limit kills (SIGKILL, no teardown) takes the X server and the
// application it started with it: nothing it started is left running on the machine.
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "LaunchedApp.hpp"
#include "platform/files/tests/TemporaryFolder.hpp"

namespace keepsift::acceptance {
namespace {

namespace fs = std::filesystem;

// The processes whose environment holds `mark`, with their names; zombies hold none.
std::map<pid_t, std::string> processesMarked(const std::string& mark) {
    std::map<pid_t, std::string> found;
    std::error_code error;
    for (fs::directory_iterator it("/proc", error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream environment(it->path() / "environ", std::ios::binary);
        for (std::string variable; std::getline(environment, variable, '\0');)
            if (variable == mark) {
                std::string command;
                std::getline(std::ifstream(it->path() / "comm"), command);
                found[std::stoi(name)] = command;
            }
    }
    return found;
}

std::string described(const std::map<pid_t, std::string>& processes) {
    std::ostringstream text;
    for (const auto& [pid, command] : processes)
        text << pid << " " << command << "; ";
    return text.str();
}

TEST(NothingLeftBehind, ATestKilledByItsTimeLimitTakesItsXServerAndApplicationWithIt) {
    if (!testing::LaunchedApp::canLaunch()) GTEST_SKIP() << "Xvfb, script or setpriv missing";
    testing::TemporaryFolder folder;
    const fs::path library = folder.path() / "Pictures";
    fs::create_directories(library);
    const std::string mark = "KEEPSIFT_LEFT_BEHIND=" + folder.path().filename().string();
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t test = ::fork();
    if (test == 0) {
        ::close(ready[0]);
        ::putenv(const_cast<char*>(mark.c_str()));
        testing::LaunchedApp app(folder.path(), library);
        const char started = app.isRunning() ? 1 : 0;
        if (::write(ready[1], &started, 1) != 1) ::_exit(1);
        while (true)
            ::pause();
    }
    ::close(ready[1]);
    char started = 0;
    const bool told = ::read(ready[0], &started, 1) == 1;
    ::close(ready[0]);
    const auto whileRunning = processesMarked(mark);
    ::kill(test, SIGKILL);
    ::waitpid(test, nullptr, 0);
    testing::eventually([&] { return processesMarked(mark).empty(); }, 30);
    const auto left = processesMarked(mark);
    // A failure here leaves nothing behind either.
    for (const auto& [pid, command] : left)
        ::kill(pid, SIGKILL);

    ASSERT_TRUE(told && started) << described(whileRunning);
    std::set<std::string> names;
    for (const auto& [pid, command] : whileRunning)
        names.insert(command);
    EXPECT_TRUE(names.count("Xvfb") == 1 && names.count("keepsift") == 1)
        << described(whileRunning);
    EXPECT_TRUE(left.empty()) << "left running: " << described(left);
}

} // namespace
} // namespace keepsift::acceptance
