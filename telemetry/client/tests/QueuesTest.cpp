#include <cmath>
#include <future>
#include <gtest/gtest.h>
#include <latch>

#include "telemetry/client/Scheduler.hpp"
#include "telemetry/client/WorkQueue.hpp"

namespace keepsift::analytics {
namespace {

TEST(ThreadScheduler, RunsTasksInDueOrderAndSkipsCancelledOnes) {
    auto scheduler = makeThreadScheduler();
    std::mutex lock;
    std::vector<int> ran;
    std::latch done(2);
    // The cancelled task may still run if it was due before the cancel: it does not count.
    const auto record = [&](int n) {
        return [&, n] {
            {
                std::lock_guard guard(lock);
                ran.push_back(n);
            }
            if (n != 0) done.count_down();
        };
    };
    const auto cancelled = scheduler->after(0.0, record(0));
    scheduler->cancel(cancelled);
    scheduler->after(0.05, record(2));
    scheduler->after(std::nan(""), record(1));
    scheduler->after(3600.0, record(3)); // dropped with the scheduler
    done.wait();
    std::lock_guard guard(lock);
    // The cancelled task may have run before it was cancelled; nothing else is out of order.
    std::erase(ran, 0);
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
}

TEST(WorkQueue, HandlesInOrderAndDropsTheOldestBeyondItsLimit) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::vector<int> handled;
    std::latch started(1);
    WorkQueue<int> queue(
        [&](int& n) {
            if (n == 0) {
                started.count_down();
                released.wait();
            }
            handled.push_back(n);
        },
        [] { return std::size_t{2}; });
    queue.push(0);
    started.wait();
    for (int n = 1; n <= 5; ++n)
        queue.push(n);
    release.set_value();
    queue.drain();
    EXPECT_EQ(handled, (std::vector<int>{0, 4, 5}));
    EXPECT_EQ(queue.dropped(), 3u);
}

} // namespace
} // namespace keepsift::analytics
