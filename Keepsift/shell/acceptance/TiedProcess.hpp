#pragma once

#include <functional>
#include <optional>
#include <sys/types.h>

namespace keepsift::testing {

// Forks a child that the kernel kills as soon as the calling thread ends, however it ends (a
// failed assertion, a crash, ctest's time limit): nothing a test starts outlives it. `inChild`
// runs in the child and ends by exec or _exit.
pid_t forkTiedToThisThread(const std::function<void()>& inChild);

// The child's wait status once it has ended, reaping it; nothing when it outlives the guard.
std::optional<int> reap(pid_t child, double guardSeconds);

} // namespace keepsift::testing
