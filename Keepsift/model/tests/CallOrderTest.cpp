#include <gtest/gtest.h>

#include <future>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "Keepsift/model/CallOrder.hpp"
#include "Keepsift/model/ModelTasks.hpp"
#include "Keepsift/model/tests/ModelRig.hpp"

namespace keepsift::app {
namespace {

// Runs the place's part on a thread of its own; the future tells when it is through.
std::future<void> runOnThread(std::shared_ptr<CallOrder::Place> place, std::function<void()> part) {
    return std::async(std::launch::async,
                      [place = std::move(place), part = std::move(part)] { place->run({}, part); });
}

TEST(CallOrder, PartsRunInTheOrderThePlacesWereTakenWhateverTheTasksDo) {
    CallOrder order;
    std::vector<std::shared_ptr<CallOrder::Place>> places;
    for (int i = 0; i < 4; ++i)
        places.push_back(order.take());
    std::mutex mutex;
    std::vector<int> ran;
    std::vector<std::future<void>> tasks;
    for (int i = 3; i >= 0; --i)
        tasks.push_back(runOnThread(places[i], [&, i] {
            std::lock_guard lock(mutex);
            ran.push_back(i);
        }));
    places.clear();
    for (auto& task : tasks)
        ASSERT_EQ(task.wait_for(testing::patience), std::future_status::ready);
    EXPECT_EQ(ran, (std::vector<int>{0, 1, 2, 3}));
}

TEST(CallOrder, APlaceDroppedOrFailedPassesTheTurnOn) {
    CallOrder order;
    auto neverRun = order.take();
    auto failing = order.take();
    auto last = order.take();
    neverRun.reset();
    EXPECT_THROW(failing->run({}, [] { throw std::runtime_error("store gone"); }),
                 std::runtime_error);
    bool ran = false;
    auto task = runOnThread(last, [&] { ran = true; });
    ASSERT_EQ(task.wait_for(testing::patience), std::future_status::ready);
    EXPECT_TRUE(ran);
}

TEST(CallOrder, AStopEndsTheWaitWithoutRunningThePart) {
    CallOrder order;
    auto first = order.take();
    auto waiting = order.take();
    std::stop_source stop;
    stop.request_stop();
    bool ran = false;
    EXPECT_THROW(waiting->run(stop.get_token(), [&] { ran = true; }), ModelShutDown);
    EXPECT_FALSE(ran);
    waiting.reset();
    auto next = order.take();
    first->run({}, [] {});
    auto task = runOnThread(next, [&] { ran = true; });
    ASSERT_EQ(task.wait_for(testing::patience), std::future_status::ready);
    EXPECT_TRUE(ran);
}

} // namespace
} // namespace keepsift::app
