#include "LaunchedApp.hpp"

#include "Keepsift/shell/LibraryFolders.hpp"
#include "Keepsift/shell/SingleInstance.hpp"

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
    return ::access("/usr/bin/xvfb-run", X_OK) == 0 && ::access("/usr/bin/setpriv", X_OK) == 0;
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
    for (const char* file : {"keepsift.pid", "display", "xauthority"})
        std::filesystem::remove(root / file);
    wrapper_ = ::fork();
    if (wrapper_ == 0) {
        ::setenv("HOME", (root / "home").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
        ::setenv("XDG_CACHE_HOME", (root / "cache").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", (root / "runtime").c_str(), 1);
        ::setenv("KEEPSIFT_TEST_SEAM", "1", 1);
        ::unsetenv("KEEPSIFT_LIBRARY");
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
        for (const auto& [name, value] : environment)
            ::setenv(name.c_str(), value.c_str(), 1);
        const std::string script = "echo \"$DISPLAY\" > '" + (root / "display").string() +
                                   "'; echo \"$XAUTHORITY\" > '" + (root / "xauthority").string() +
                                   "'; echo $$ > '" + pidFile.string() +
                                   "'; exec setpriv --bounding-set=-dac_override,-dac_read_search "
                                   "--inh-caps=-dac_override,-dac_read_search -- \"$@\"";
        const std::string logFile = (root / "keepsift.log").string();
        std::freopen(logFile.c_str(), "a", stderr);
        std::freopen(logFile.c_str(), "a", stdout);
        std::string line = "sh -c " + quoted(script) + " sh";
        for (const std::string& argument : command)
            line.append(" ").append(quoted(argument));
        // The application logs to its standard error only on a terminal: script gives it one,
        // whose output goes to the log file.
        std::vector<const char*> arguments{"xvfb-run",   "-a",        "script", "-qfec",
                                           line.c_str(), "/dev/null", nullptr};
        ::execv("/usr/bin/xvfb-run", const_cast<char* const*>(arguments.data()));
        ::_exit(127);
    }
    eventually([&] { return !readText(pidFile).empty(); }, 30);
    pid_ = static_cast<pid_t>(std::atoi(readText(pidFile).c_str()));
}

LaunchedApp::~LaunchedApp() {
    if (isRunning()) ::kill(pid_, SIGKILL);
    if (wrapper_ > 0) ::waitpid(wrapper_, nullptr, 0);
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
    ::setenv("DISPLAY", readText(root_ / "display").c_str(), 1);
    ::setenv("XAUTHORITY", readText(root_ / "xauthority").c_str(), 1);
}

std::optional<int> LaunchedApp::terminate(double& secondsToExit, int signal) {
    const auto sent = std::chrono::steady_clock::now();
    ::kill(pid_, signal);
    const auto status = awaitExit();
    secondsToExit = std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count();
    return status;
}

std::optional<int> LaunchedApp::awaitExit() {
    if (!eventually([&] { return !isRunning(); }, 30)) return std::nullopt;
    int status = 0;
    ::waitpid(wrapper_, &status, 0);
    wrapper_ = -1;
    if (!WIFEXITED(status)) return std::nullopt;
    return WEXITSTATUS(status);
}

} // namespace keepsift::testing
