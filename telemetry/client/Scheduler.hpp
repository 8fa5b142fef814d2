#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace keepsift::analytics {

// Runs a task once after a delay: the client's timers (send timer, session start, prompt
// sends). Tasks must be short; they hand real work to a queue. Tests inject their own.
class Scheduler {
public:
    using Task = std::function<void()>;
    using Token = std::uint64_t;

    virtual ~Scheduler() = default;
    virtual Token after(double seconds, Task task) = 0;
    // A task already started or run is not affected.
    virtual void cancel(Token token) = 0;
};

// One thread that waits for the earliest due task on the steady clock.
std::shared_ptr<Scheduler> makeThreadScheduler();
// The process's one thread scheduler, made on first use.
std::shared_ptr<Scheduler> sharedScheduler();

} // namespace keepsift::analytics
