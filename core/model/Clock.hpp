#pragma once

#include <mutex>
#include <string_view>

#include "core/support/Date.hpp"

namespace keepsift {

class Clock {
public:
    virtual ~Clock() = default;
    virtual Date now() const = 0;
};

class SystemClock : public Clock {
public:
    Date now() const override { return Date::now(); }
};

class FixedClock : public Clock {
public:
    explicit FixedClock(Date now) : now_(now) {}
    // A text that does not parse is a programming error and stops the program.
    explicit FixedClock(std::string_view iso8601);
    Date now() const override { return now_; }

private:
    Date now_;
};

class MutableClock : public Clock {
public:
    explicit MutableClock(Date start) : current_(start) {}
    explicit MutableClock(std::string_view iso8601);
    Date now() const override;
    void advance(double seconds);

private:
    mutable std::mutex lock_;
    Date current_;
};

} // namespace keepsift
