#include "Keepsift/shell/LowPrioritySleeper.hpp"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace keepsift::app {
namespace {

// From linux/ioprio.h, which the C library does not wrap.
constexpr int ioprioWhoProcess = 1;
constexpr int ioprioClassIdle = 3;
constexpr int ioprioClassShift = 13;

} // namespace

bool lowerCurrentThreadPriority(int niceness) {
    const auto thread = static_cast<id_t>(::syscall(SYS_gettid));
    const bool cpu = ::setpriority(PRIO_PROCESS, thread, niceness) == 0;
    const bool io = ::syscall(SYS_ioprio_set, ioprioWhoProcess, static_cast<int>(thread),
                              ioprioClassIdle << ioprioClassShift) == 0;
    return cpu && io;
}

bool LowPrioritySleeper::sleep(double seconds, std::stop_token stop) {
    thread_local bool lowered = false;
    if (!lowered) {
        lowered = true;
        lowerCurrentThreadPriority(niceness);
    }
    return sleeper_.sleep(seconds, stop);
}

} // namespace keepsift::app
