#pragma once

#include <stop_token>

namespace keepsift::app {

// The pump's pause between steps, on a monotonic clock; tests inject their own.
class Sleeper {
public:
    virtual ~Sleeper() = default;
    // False when `stop` was requested before the time was up.
    virtual bool sleep(double seconds, std::stop_token stop) = 0;
};

class SystemSleeper : public Sleeper {
public:
    bool sleep(double seconds, std::stop_token stop) override;
};

} // namespace keepsift::app
