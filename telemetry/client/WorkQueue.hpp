#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <limits>
#include <mutex>
#include <thread>

namespace keepsift::analytics {

// One worker thread that hands each queued item, in order, to its handler. With a limit,
// the oldest waiting items are dropped first, so a storm cannot grow it without bound.
// Stopping (the destructor) drops what still waits.
template <class Item> class WorkQueue {
public:
    using Handler = std::function<void(Item&)>;

    explicit WorkQueue(
        Handler handler,
        std::function<std::size_t()> limit = [] { return std::numeric_limits<std::size_t>::max(); })
        : handler_(std::move(handler)), limit_(std::move(limit)),
          thread_([this](std::stop_token stop) { run(stop); }) {}

    ~WorkQueue() { stop(); }

    void push(Item item) {
        const std::size_t limit = limit_();
        {
            std::lock_guard guard(lock_);
            items_.push_back(std::move(item));
            while (items_.size() > limit && !items_.empty()) {
                items_.pop_front();
                ++dropped_;
            }
        }
        changed_.notify_all();
    }

    // Blocks until every item queued so far has been handled.
    void drain() {
        std::unique_lock guard(lock_);
        changed_.wait(guard, [&] { return (items_.empty() && !busy_) || stopped_; });
    }

    void stop() {
        {
            std::lock_guard guard(lock_);
            stopped_ = true;
            items_.clear();
        }
        thread_.request_stop();
        changed_.notify_all();
        if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
    }

    std::size_t dropped() const {
        std::lock_guard guard(lock_);
        return dropped_;
    }

private:
    void run(std::stop_token stop) {
        std::unique_lock guard(lock_);
        while (true) {
            changed_.wait(guard, stop, [&] { return !items_.empty(); });
            if (stop.stop_requested()) break;
            Item item = std::move(items_.front());
            items_.pop_front();
            busy_ = true;
            guard.unlock();
            handler_(item);
            guard.lock();
            busy_ = false;
            changed_.notify_all();
        }
        busy_ = false;
        changed_.notify_all();
    }

    Handler handler_;
    std::function<std::size_t()> limit_;
    mutable std::mutex lock_;
    std::condition_variable_any changed_;
    std::deque<Item> items_;
    bool busy_ = false;
    bool stopped_ = false;
    std::size_t dropped_ = 0;
    std::jthread thread_;
};

} // namespace keepsift::analytics
