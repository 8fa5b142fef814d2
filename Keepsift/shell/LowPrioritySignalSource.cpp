#include "Keepsift/shell/LowPrioritySignalSource.hpp"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace keepsift::app {
namespace {

// From linux/ioprio.h, which the C library does not wrap.
constexpr int ioprioWhoProcess = 1;
constexpr int ioprioClassIdle = 3;
constexpr int ioprioClassShift = 13;

void lowerOnce() {
    thread_local bool lowered = false;
    if (lowered) return;
    lowered = true;
    lowerCurrentThreadPriority(LowPrioritySignalSource::niceness);
}

} // namespace

bool lowerCurrentThreadPriority(int niceness) {
    const auto thread = static_cast<id_t>(::syscall(SYS_gettid));
    const bool cpu = ::setpriority(PRIO_PROCESS, thread, niceness) == 0;
    const bool io = ::syscall(SYS_ioprio_set, ioprioWhoProcess, static_cast<int>(thread),
                              ioprioClassIdle << ioprioClassShift) == 0;
    return cpu && io;
}

std::optional<PhotoSignals> LowPrioritySignalSource::signals(const AssetReference& reference) {
    lowerOnce();
    return inner_->signals(reference);
}

std::optional<PhotoSignals>
LowPrioritySignalSource::derivativeSignals(const AssetReference& reference) {
    lowerOnce();
    return inner_->derivativeSignals(reference);
}

} // namespace keepsift::app
