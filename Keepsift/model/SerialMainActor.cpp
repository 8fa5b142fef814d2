#include "Keepsift/model/SerialMainActor.hpp"

#include <future>
#include <memory>

namespace keepsift::app {

SerialMainActor::SerialMainActor() : thread_([this](std::stop_token stop) { loop(stop); }) {}

SerialMainActor::~SerialMainActor() {
    std::deque<std::function<void()>> dropped;
    {
        std::lock_guard lock(mutex_);
        stopped_ = true;
        dropped.swap(queue_);
    }
    thread_.request_stop();
    ready_.notify_all();
    thread_.join();
    // Destroyed outside the lock: a dropped hop wakes the worker that waits for it.
    dropped.clear();
}

void SerialMainActor::post(std::function<void()> work) {
    {
        std::lock_guard lock(mutex_);
        if (stopped_) return;
        queue_.push_back(std::move(work));
    }
    ready_.notify_one();
}

void SerialMainActor::runAndWait(const std::function<void()>& work) {
    // Dropped unrun, the task breaks its promise and the wait ends with an exception.
    auto task = std::make_shared<std::packaged_task<void()>>(work);
    auto finished = task->get_future();
    post([task] { (*task)(); });
    finished.get();
}

void SerialMainActor::loop(std::stop_token stop) {
    while (true) {
        std::function<void()> work;
        {
            std::unique_lock lock(mutex_);
            ready_.wait(lock, stop, [&] { return !queue_.empty(); });
            if (queue_.empty()) return;
            work = std::move(queue_.front());
            queue_.pop_front();
        }
        work();
    }
}

} // namespace keepsift::app
