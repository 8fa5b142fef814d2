#pragma once

#include "Keepsift/model/Sleeper.hpp"

namespace keepsift::app {

// The pump's sleeper. Only the pump's worker sleeps between steps, so the first sleep on a
// thread lowers that thread to nice 10 and the idle I/O class: a first scan then takes
// only what the machine does not need for anything else. Threads it starts inherit this.
class LowPrioritySleeper : public Sleeper {
public:
    static constexpr int niceness = 10;
    bool sleep(double seconds, std::stop_token stop) override;

private:
    SystemSleeper sleeper_;
};

// Lowers the calling thread's CPU and I/O priority; false when the system refused.
bool lowerCurrentThreadPriority(int niceness);

} // namespace keepsift::app
