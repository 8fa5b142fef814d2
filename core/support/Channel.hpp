#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>

namespace keepsift {

// An asynchronous stream: an unbounded buffer that a producer feeds and one consumer reads
// until the producer finishes it or the consumer cancels it. Values yielded after the
// consumer left are dropped; the termination handler runs once, on whichever end closes.
template <class T> class Channel {
public:
    using Pointer = std::shared_ptr<Channel<T>>;
    static Pointer make() { return std::make_shared<Channel<T>>(); }

    // False when the stream has ended and the value was dropped.
    bool yield(T value) {
        {
            std::lock_guard lock(mutex_);
            if (ended_) return false;
            buffer_.push_back(std::move(value));
        }
        ready_.notify_one();
        return true;
    }

    // Producer side: no more values; the consumer still reads what is buffered.
    void finish() { end(false); }
    // Consumer side: stop reading; the buffer is dropped.
    void cancel() { end(true); }

    void onTermination(std::function<void()> handler) {
        bool runNow;
        {
            std::lock_guard lock(mutex_);
            runNow = ended_ && !terminated_;
            if (runNow)
                terminated_ = true;
            else
                onTermination_ = std::move(handler);
        }
        if (runNow && handler) handler();
    }

    // Blocks for the next value; absent once the stream has ended (or stop was requested).
    std::optional<T> next(std::stop_token stop = {}) {
        std::unique_lock lock(mutex_);
        std::stop_callback wake(stop, [this] { ready_.notify_all(); });
        ready_.wait(lock, [&] { return !buffer_.empty() || ended_ || stop.stop_requested(); });
        return popLocked();
    }

    std::optional<T> next(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        ready_.wait_for(lock, timeout, [&] { return !buffer_.empty() || ended_; });
        return popLocked();
    }

    bool isEnded() const {
        std::lock_guard lock(mutex_);
        return ended_;
    }

private:
    std::optional<T> popLocked() {
        if (buffer_.empty()) return std::nullopt;
        T value = std::move(buffer_.front());
        buffer_.pop_front();
        return value;
    }

    void end(bool dropBuffer) {
        std::function<void()> handler;
        {
            std::lock_guard lock(mutex_);
            if (dropBuffer) buffer_.clear();
            if (ended_) return;
            ended_ = true;
            if (!terminated_) {
                terminated_ = true;
                handler = std::move(onTermination_);
            }
        }
        ready_.notify_all();
        if (handler) handler();
    }

    mutable std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<T> buffer_;
    bool ended_ = false;
    bool terminated_ = false;
    std::function<void()> onTermination_;
};

} // namespace keepsift
