#pragma once

#include <mutex>

namespace keepsift::analytics {

// One field of a shared object that any thread may read or write whole.
template <class T> class Guarded {
public:
    Guarded() = default;
    Guarded(T value) : value_(std::move(value)) {}

    T get() const {
        std::lock_guard guard(lock_);
        return value_;
    }
    void set(T value) {
        std::lock_guard guard(lock_);
        value_ = std::move(value);
    }

private:
    mutable std::mutex lock_;
    T value_{};
};

} // namespace keepsift::analytics
