#pragma once

#include <algorithm>
#include <mutex>
#include <vector>

#include "telemetry/client/Scheduler.hpp"

namespace keepsift::analytics::testing {

// A scheduler whose time moves only when the test says so; tasks run on the test's thread.
class ManualScheduler : public Scheduler {
public:
    struct Entry {
        double due;
        Token token;
        Task task;
        double delay;
    };

    Token after(double seconds, Task task) override {
        std::lock_guard guard(lock_);
        entries_.push_back({now_ + seconds, ++lastToken_, std::move(task), seconds});
        return lastToken_;
    }
    void cancel(Token token) override {
        std::lock_guard guard(lock_);
        std::erase_if(entries_, [token](const Entry& e) { return e.token == token; });
    }

    // The delays of the tasks still waiting, in the order they were scheduled.
    std::vector<double> pendingDelays() const {
        std::lock_guard guard(lock_);
        std::vector<double> delays;
        for (const Entry& e : entries_)
            delays.push_back(e.delay);
        return delays;
    }

    // Runs every task due within the next `seconds`, earliest first.
    void advance(double seconds) {
        double target;
        {
            std::lock_guard guard(lock_);
            target = now_ + seconds;
        }
        while (true) {
            Task task;
            {
                std::lock_guard guard(lock_);
                auto next = std::min_element(
                    entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
                        return a.due < b.due || (a.due == b.due && a.token < b.token);
                    });
                if (next == entries_.end() || next->due > target) {
                    now_ = target;
                    return;
                }
                now_ = next->due;
                task = std::move(next->task);
                entries_.erase(next);
            }
            task();
        }
    }

private:
    mutable std::mutex lock_;
    std::vector<Entry> entries_;
    double now_ = 0;
    Token lastToken_ = 0;
};

} // namespace keepsift::analytics::testing
