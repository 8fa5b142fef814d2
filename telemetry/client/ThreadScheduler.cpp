#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "telemetry/client/Scheduler.hpp"

namespace keepsift::analytics {
namespace {

class ThreadScheduler : public Scheduler {
public:
    ThreadScheduler() : thread_([this](std::stop_token stop) { run(stop); }) {}
    ~ThreadScheduler() override {
        thread_.request_stop();
        wake_.notify_all();
    }

    Token after(double seconds, Task task) override {
        // Not a number or below zero runs at once; beyond a year waits a year.
        const auto delay = std::chrono::duration<double>(seconds >= 0 ? seconds : 0);
        const auto due =
            Clock::now() + std::chrono::duration_cast<Clock::duration>(
                               std::min(delay, std::chrono::duration<double>(365.0 * 24 * 3600)));
        Token token;
        {
            std::lock_guard guard(lock_);
            token = ++lastToken_;
            tasks_.emplace(std::make_pair(due, token), std::move(task));
        }
        wake_.notify_all();
        return token;
    }

    void cancel(Token token) override {
        std::lock_guard guard(lock_);
        std::erase_if(tasks_, [token](const auto& entry) { return entry.first.second == token; });
    }

private:
    using Clock = std::chrono::steady_clock;

    void run(std::stop_token stop) {
        std::unique_lock guard(lock_);
        while (!stop.stop_requested()) {
            if (tasks_.empty()) {
                wake_.wait(guard, stop, [&] { return !tasks_.empty(); });
                continue;
            }
            const auto due = tasks_.begin()->first.first;
            if (Clock::now() < due) {
                wake_.wait_until(guard, stop, due, [&] {
                    return !tasks_.empty() && tasks_.begin()->first.first < due;
                });
                continue;
            }
            Task task = std::move(tasks_.begin()->second);
            tasks_.erase(tasks_.begin());
            guard.unlock();
            task();
            guard.lock();
        }
    }

    std::mutex lock_;
    std::condition_variable_any wake_;
    std::map<std::pair<Clock::time_point, Token>, Task> tasks_;
    Token lastToken_ = 0;
    std::jthread thread_;
};

} // namespace

std::shared_ptr<Scheduler> makeThreadScheduler() {
    return std::make_shared<ThreadScheduler>();
}

std::shared_ptr<Scheduler> sharedScheduler() {
    static const std::shared_ptr<Scheduler> scheduler = makeThreadScheduler();
    return scheduler;
}

} // namespace keepsift::analytics
