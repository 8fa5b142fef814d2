#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace keepsift::app {

// A few threads taking jobs in the order they came. Destroying the pool finishes the job
// each thread is on and drops the jobs not started.
class WorkerPool {
public:
    explicit WorkerPool(int threads);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    void submit(std::function<void()> job);

private:
    void run(std::stop_token stop);

    std::mutex mutex_;
    std::condition_variable_any ready_;
    std::deque<std::function<void()>> jobs_;
    std::vector<std::jthread> threads_;
};

} // namespace keepsift::app
