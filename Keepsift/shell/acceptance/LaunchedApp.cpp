#include "LaunchedApp.hpp"

#include "Keepsift/shell/LibraryFolders.hpp"
#include "Keepsift/shell/SingleInstance.hpp"
#include "TiedProcess.hpp"

#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace keepsift::testing {
namespace {

std::string readText(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string text;
    std::getline(in, text);
    return text;
}

// A word for sh, whatever it holds.
std::string quoted(const std::string& word) {
    std::string result = "'";
    for (const char c : word)
        if (c == '\'')
            result.append("'\\''");
        else
            result.push_back(c);
    result.push_back('\'');
    return result;
}

} // namespace

bool eventually(const std::function<bool()>& condition, double guardSeconds) {
    const auto until =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(guardSeconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

bool LaunchedApp::canLaunch() {
    return VirtualDisplay::canStart() && ::access("/usr/bin/script", X_OK) == 0 &&
           ::access("/usr/bin/setpriv", X_OK) == 0;
}

LaunchedApp::LaunchedApp(const std::filesystem::path& root, const std::filesystem::path& library)
    : LaunchedApp(root, library, {KEEPSIFT_BINARY, "--library", library.string()}) {}

LaunchedApp::LaunchedApp(const std::filesystem::path& root, const std::filesystem::path& library,
                         const std::vector<std::string>& command,
                         const std::map<std::string, std::string>& environment)
    : root_(root), library_(library) {
    for (const char* folder : {"home", "config", "data", "cache", "runtime"})
        std::filesystem::create_directories(root / folder);
    std::filesystem::permissions(root / "runtime", std::filesystem::perms::owner_all);
    const auto pidFile = root / "keepsift.pid";
    // A launch before this one in the same folder left its own.
    std::filesystem::remove(pidFile);
    display_ = std::make_unique<VirtualDisplay>(root);
    wrapper_ = forkTiedToThisThread([&] {
        ::setenv("HOME", (root / "home").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
        ::setenv("XDG_CACHE_HOME", (root / "cache").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", (root / "runtime").c_str(), 1);
        ::setenv("KEEPSIFT_TEST_SEAM", "1", 1);
        ::unsetenv("KEEPSIFT_LIBRARY");
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
        display_->useIt();
        for (const auto& [name, value] : environment)
            ::setenv(name.c_str(), value.c_str(), 1);
        // Killed with script, which the kernel kills with the test.
        const std::string script = "echo $$ > '" + pidFile.string() +
                                   "'; exec setpriv --pdeathsig KILL "
                                   "--bounding-set=-dac_override,-dac_read_search "
                                   "--inh-caps=-dac_override,-dac_read_search -- \"$@\"";
        const std::string logFile = (root / "keepsift.log").string();
        std::freopen(logFile.c_str(), "a", stderr);
        std::freopen(logFile.c_str(), "a", stdout);
        std::string line = "sh -c " + quoted(script) + " sh";
        for (const std::string& argument : command)
            line.append(" ").append(quoted(argument));
        // The application logs to its standard error only on a terminal: script gives it one,
        // whose output goes to the log file.
        ::execl("/usr/bin/script", "script", "-qfec", line.c_str(), "/dev/null", nullptr);
    });
    eventually([&] { return !readText(pidFile).empty(); }, 30);
    pid_ = static_cast<pid_t>(std::atoi(readText(pidFile).c_str()));
}

LaunchedApp::~LaunchedApp() {
    if (isRunning()) ::kill(pid_, SIGKILL);
    if (wrapper_ > 0 && !reap(wrapper_, 30)) {
        ::kill(wrapper_, SIGKILL);
        reap(wrapper_, 30);
    }
}

bool LaunchedApp::isRunning() const {
    if (pid_ <= 0) return false;
    // A finished process that its parent has not reaped yet counts as gone.
    const std::string status = readText("/proc/" + std::to_string(pid_) + "/stat");
    const size_t close = status.rfind(')');
    return close != std::string::npos && close + 2 < status.size() && status[close + 2] != 'Z';
}

std::filesystem::path LaunchedApp::supportFolder() const {
    return root_ / "data" / "com.ambervale.keepsift";
}

std::filesystem::path LaunchedApp::indexFolder() const {
    return app::libraryDataFolder(supportFolder(), library_);
}

bool LaunchedApp::send(const std::string& request) const {
    return app::SingleInstance(supportFolder()).handOver(request);
}

void LaunchedApp::useItsDisplay() const {
    display_->useIt();
}

std::optional<int> LaunchedApp::terminate(double& secondsToExit, int signal) {
    const auto sent = std::chrono::steady_clock::now();
    // Without a pid, kill would signal the test's own process group.
    if (pid_ > 0) ::kill(pid_, signal);
    const auto status = awaitExit();
    secondsToExit = std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count();
    return status;
}

std::optional<int> LaunchedApp::awaitExit() {
    if (!eventually([&] { return !isRunning(); }, 30) || wrapper_ <= 0) return std::nullopt;
    const auto status = reap(wrapper_, 30);
    if (!status) return std::nullopt;
    wrapper_ = -1;
    if (!WIFEXITED(*status)) return std::nullopt;
    return WEXITSTATUS(*status);
}

} // namespace keepsift::testing
