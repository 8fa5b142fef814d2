#pragma once

#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

#include "VirtualDisplay.hpp"

namespace keepsift::testing {

// The real keepsift binary on an X server of its own, in a home of its own, without the right
// to bypass file permissions (so an unreadable folder is unreadable even to root). Both end
// with the object, and with the test when it is killed.
class LaunchedApp {
public:
    static bool canLaunch();

    // Starts the binary with --library.
    LaunchedApp(const std::filesystem::path& root, const std::filesystem::path& library);
    // Starts a command line as a launcher would (program first), in the same home; `library`
    // is the folder it is expected to tidy; `environment` is set for it on top of the home's.
    LaunchedApp(const std::filesystem::path& root, const std::filesystem::path& library,
                const std::vector<std::string>& command,
                const std::map<std::string, std::string>& environment = {});
    ~LaunchedApp();

    pid_t pid() const { return pid_; }
    bool isRunning() const;
    // A line on the instance socket, as a later launch or the test seam sends it.
    bool send(const std::string& request) const;
    // SIGTERM (or the signal given); the exit status once the process is gone, nothing when
    // it outlives the guard.
    std::optional<int> terminate(double& secondsToExit, int signal = SIGTERM);
    // The exit status once the process has ended by itself, nothing when it outlives the guard.
    std::optional<int> awaitExit();
    // Points this process at the application's X display, so that its windows can be seen
    // and clicked.
    void useItsDisplay() const;

    std::filesystem::path supportFolder() const;
    // Where the library's index and journal are kept.
    std::filesystem::path indexFolder() const;

private:
    std::filesystem::path root_;
    std::filesystem::path library_;
    std::unique_ptr<VirtualDisplay> display_;
    pid_t wrapper_ = -1; // script, which gives keepsift a terminal
    pid_t pid_ = -1;     // keepsift
};

// Polls until the condition holds; the guard only keeps a broken run from hanging.
bool eventually(const std::function<bool()>& condition, double guardSeconds);

} // namespace keepsift::testing
