#include "TiedProcess.hpp"

#include <chrono>
#include <csignal>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace keepsift::testing {

pid_t forkTiedToThisThread(const std::function<void()>& inChild) {
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child != 0) return child;
    // The parent may have ended before the signal was asked for.
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent) ::_exit(127);
    inChild();
    ::_exit(127);
}

std::optional<int> reap(pid_t child, double guardSeconds) {
    const auto until =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(guardSeconds);
    int status = 0;
    pid_t reaped = 0;
    while ((reaped = ::waitpid(child, &status, WNOHANG)) == 0) {
        if (std::chrono::steady_clock::now() > until) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (reaped != child) return std::nullopt;
    return status;
}

} // namespace keepsift::testing
