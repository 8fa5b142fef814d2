#include <gtest/gtest.h>

#include "Keepsift/model/tests/ModelRig.hpp"

namespace keepsift::app {
namespace {

using testing::Gate;

// A main actor that keeps what is posted until the test runs or drops it.
class HeldActor : public MainActor {
public:
    void post(std::function<void()> work) override {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(work));
        changed_.notify_all();
    }
    void awaitPosts(size_t count) {
        std::unique_lock lock(mutex_);
        if (!changed_.wait_for(lock, testing::patience, [&] { return queue_.size() >= count; }))
            throw std::runtime_error("nothing was posted");
    }
    std::vector<std::function<void()>> take() {
        std::lock_guard lock(mutex_);
        return std::exchange(queue_, {});
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::function<void()>> queue_;
};

TEST(ModelTasks, ASegmentRunsOnTheMainActorAndHandsBackItsResultOrError) {
    auto actor = std::make_shared<SerialMainActor>();
    ModelTasks tasks(actor);
    auto result = std::make_shared<std::promise<std::pair<bool, std::string>>>();
    tasks.spawn([&, result] {
        const bool onActor = tasks.onMain([&] { return actor->isCurrent(); });
        std::string error;
        try {
            tasks.onMain([] { throw std::runtime_error("segment failed"); });
        } catch (const std::runtime_error& e) {
            error = e.what();
        }
        result->set_value({onActor, error});
    });
    auto answer = result->get_future();
    ASSERT_EQ(answer.wait_for(testing::patience), std::future_status::ready);
    EXPECT_EQ(answer.get(), std::pair(true, std::string("segment failed")));
}

TEST(ModelTasks, AHopTheActorDropsEndsTheTaskQuietly) {
    auto actor = std::make_shared<HeldActor>();
    ModelTasks tasks(actor);
    std::atomic<bool> after = false;
    tasks.spawn([&] {
        tasks.onMain([] {});
        after = true;
    });
    actor->awaitPosts(1);
    actor->take().clear(); // dropped unrun
    tasks.shutDown();
    EXPECT_FALSE(after);
}

TEST(ModelTasks, ShuttingDownAbandonsWaitingHopsWhichNeverRunLater) {
    auto actor = std::make_shared<HeldActor>();
    auto tasks = std::make_unique<ModelTasks>(actor);
    std::atomic<bool> ran = false;
    tasks->spawn([&] { tasks->onMain([&] { ran = true; }); });
    actor->awaitPosts(1);
    tasks->shutDown();
    tasks.reset();
    for (auto& work : actor->take())
        work();
    EXPECT_FALSE(ran);
}

TEST(ModelTasks, ACancelledTaskSeesItButItsHopsStillRun) {
    auto actor = std::make_shared<SerialMainActor>();
    ModelTasks tasks(actor);
    Gate gate;
    auto seen = std::make_shared<std::promise<std::pair<bool, int>>>();
    TaskHandle handle = tasks.spawn([&, seen] {
        gate.pass();
        const int value = tasks.onMain([] { return 7; });
        seen->set_value({ModelTasks::isCancelled(), value});
    });
    gate.awaitArrival();
    handle.cancel();
    gate.open();
    auto answer = seen->get_future();
    ASSERT_EQ(answer.wait_for(testing::patience), std::future_status::ready);
    EXPECT_EQ(answer.get(), std::pair(true, 7));
}

TEST(ModelLifetime, TheModelGoesAwayWhileItsTasksWaitForAStalledMainActor) {
    auto actor = std::make_shared<HeldActor>();
    testing::ModelRig rig; // for its engine and store
    AppModel::Parts parts;
    parts.engine = rig.engine;
    parts.store = rig.store;
    parts.telemetry = rig.reporter;
    parts.clock = std::make_shared<SystemClock>();
    auto model = std::make_unique<AppModel>(
        parts, AppModel::Services{actor, nullptr, nullptr, nullptr, rig.sleeper});
    model->refresh();
    model->pumpOnce();
    actor->awaitPosts(2);
    model.reset();
    for (auto& work : actor->take())
        work();
}

} // namespace
} // namespace keepsift::app

namespace keepsift::app {
namespace {

TEST(SystemSleeper, AStopEndsTheSleepAndAnElapsedOneCompletes) {
    SystemSleeper sleeper;
    std::stop_source stopped;
    stopped.request_stop();
    EXPECT_FALSE(sleeper.sleep(3600.0, stopped.get_token()));
    EXPECT_TRUE(sleeper.sleep(0.0, std::stop_source().get_token()));

    std::stop_source later;
    auto slept =
        std::async(std::launch::async, [&] { return sleeper.sleep(3600.0, later.get_token()); });
    later.request_stop();
    ASSERT_EQ(slept.wait_for(testing::patience), std::future_status::ready);
    EXPECT_FALSE(slept.get());
}

} // namespace
} // namespace keepsift::app
