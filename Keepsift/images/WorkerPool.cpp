#include "Keepsift/images/WorkerPool.hpp"

#include <algorithm>

namespace keepsift::app {

WorkerPool::WorkerPool(int threads) {
    for (int i = 0; i < std::max(1, threads); ++i)
        threads_.emplace_back([this](std::stop_token stop) { run(stop); });
}

WorkerPool::~WorkerPool() {
    for (auto& thread : threads_)
        thread.request_stop();
    ready_.notify_all();
    threads_.clear();
}

void WorkerPool::submit(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    ready_.notify_one();
}

void WorkerPool::run(std::stop_token stop) {
    while (true) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            if (!ready_.wait(lock, stop, [this] { return !jobs_.empty(); })) return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}

} // namespace keepsift::app
