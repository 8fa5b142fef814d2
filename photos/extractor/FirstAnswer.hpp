#pragma once

#include <future>
#include <mutex>
#include <optional>

namespace keepsift {

// Lets exactly one answer of a platform request through to the waiting caller: a handler
// that fires twice, or from two threads, delivers only its first value.
template <typename Value> class FirstAnswer {
public:
    FirstAnswer() : future_(promise_->get_future()) {}

    void resume(Value value) {
        std::optional<std::promise<Value>> taken;
        {
            std::lock_guard lock(mutex_);
            taken.swap(promise_);
        }
        if (taken) taken->set_value(std::move(value));
    }

    // Blocks until the first answer; the platform may take as long as it needs.
    Value wait() { return future_.get(); }

private:
    std::mutex mutex_;
    std::optional<std::promise<Value>> promise_{std::in_place};
    std::future<Value> future_;
};

} // namespace keepsift
