#pragma once

#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>
#include <type_traits>

#include "Keepsift/model/MainActor.hpp"

namespace keepsift::app {

// Thrown inside a task that waits for the main actor when the model shuts down (or the
// main actor stops) first; the task ends quietly.
struct ModelShutDown {};

// A running task as its owner sees it: it can be cancelled, never awaited.
class TaskHandle {
public:
    TaskHandle() = default;
    explicit TaskHandle(std::stop_source stop) : stop_(std::move(stop)) {}
    void cancel() { stop_.request_stop(); }
    bool isCancelled() const { return stop_.stop_requested(); }

private:
    std::stop_source stop_{std::nostopstate};
};

// The model's tasks: each one a thread that makes its blocking engine, store and reporter
// calls itself and hops to the main actor for every read or write of the model's state.
class ModelTasks {
public:
    explicit ModelTasks(std::shared_ptr<MainActor> mainActor);
    ~ModelTasks() { shutDown(); }
    ModelTasks(const ModelTasks&) = delete;
    ModelTasks& operator=(const ModelTasks&) = delete;

    // Cancels every task, ends their waits for the main actor and joins them.
    void shutDown();

    TaskHandle spawn(std::function<void()> body);

    // Inside a task: runs `segment` on the main actor and waits for its result.
    template <class Segment> auto onMain(Segment&& segment) -> std::invoke_result_t<Segment>;
    void post(std::function<void()> work) const { mainActor_->post(std::move(work)); }

    // Whether the task running on the calling thread was cancelled.
    static bool isCancelled();
    static std::stop_token currentStop();

private:
    struct Entry {
        std::jthread thread;
        std::atomic<bool> finished{false};
    };

    void hop(std::function<void()> segment);
    void reapLocked();

    std::shared_ptr<MainActor> mainActor_;
    std::stop_source shutdown_;
    std::mutex mutex_;
    bool isShutDown_ = false;
    std::list<std::shared_ptr<Entry>> entries_;
};

template <class Segment>
auto ModelTasks::onMain(Segment&& segment) -> std::invoke_result_t<Segment> {
    using Result = std::invoke_result_t<Segment>;
    if constexpr (std::is_void_v<Result>) {
        hop([&] { segment(); });
    } else {
        std::optional<Result> result;
        hop([&] { result.emplace(segment()); });
        return std::move(*result);
    }
}

} // namespace keepsift::app
