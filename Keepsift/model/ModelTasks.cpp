#include "Keepsift/model/ModelTasks.hpp"

#include <condition_variable>
#include <exception>

#include "core/settings/Keepsift.hpp"
#include "core/support/Logger.hpp"

namespace keepsift::app {
namespace {

thread_local std::stop_token currentTaskStop;

// One wait for the main actor. The segment runs at most once; a segment the worker gave up
// on before it started never runs.
struct Hop {
    std::mutex mutex;
    std::condition_variable_any changed;
    bool running = false;
    bool done = false;
    bool dropped = false;
    bool abandoned = false;
    std::exception_ptr error;
};

// Lives as long as the posted work: destroyed unrun, it tells the waiting worker.
struct DropNotice {
    explicit DropNotice(std::shared_ptr<Hop> hop) : hop(std::move(hop)) {}
    DropNotice(const DropNotice&) = delete;
    DropNotice& operator=(const DropNotice&) = delete;
    std::shared_ptr<Hop> hop;
    ~DropNotice() {
        {
            std::lock_guard lock(hop->mutex);
            if (!hop->running) hop->dropped = true;
        }
        hop->changed.notify_all();
    }
};

} // namespace

ModelTasks::ModelTasks(std::shared_ptr<MainActor> mainActor) : mainActor_(std::move(mainActor)) {}

bool ModelTasks::isCancelled() {
    return currentTaskStop.stop_requested();
}

std::stop_token ModelTasks::currentStop() {
    return currentTaskStop;
}

void ModelTasks::shutDown() {
    std::list<std::shared_ptr<Entry>> entries;
    {
        std::lock_guard lock(mutex_);
        isShutDown_ = true;
        entries.swap(entries_);
    }
    shutdown_.request_stop();
    for (auto& entry : entries)
        entry->thread.request_stop();
    for (auto& entry : entries) {
        if (entry->thread.get_id() == std::this_thread::get_id())
            entry->thread.detach();
        else if (entry->thread.joinable())
            entry->thread.join();
    }
}

void ModelTasks::reapLocked() {
    for (auto it = entries_.begin(); it != entries_.end();) {
        if ((*it)->finished.load()) {
            (*it)->thread.join();
            it = entries_.erase(it);
        } else {
            ++it;
        }
    }
}

TaskHandle ModelTasks::spawn(std::function<void()> body) {
    std::lock_guard lock(mutex_);
    if (isShutDown_) return {};
    reapLocked();
    auto entry = std::make_shared<Entry>();
    // Started under the lock, so the entry holds its thread before anyone reaps it; the
    // thread keeps its entry alive, also when it had to detach itself.
    entry->thread = std::jthread([entry, body = std::move(body)](std::stop_token stop) {
        currentTaskStop = stop;
        try {
            body();
        } catch (const ModelShutDown&) {
        } catch (const std::exception& error) {
            Logger(std::string(Keepsift::identifier), "shell")
                .error(std::string("task failed: ") + error.what());
        }
        entry->finished.store(true);
    });
    entries_.push_back(entry);
    return TaskHandle(entry->thread.get_stop_source());
}

void ModelTasks::hop(std::function<void()> segment) {
    if (shutdown_.stop_requested()) throw ModelShutDown{};
    auto state = std::make_shared<Hop>();
    auto notice = std::make_shared<DropNotice>(state);
    mainActor_->post([state, notice, segment = std::move(segment)] {
        {
            std::lock_guard lock(state->mutex);
            if (state->abandoned) return;
            state->running = true;
        }
        try {
            segment();
        } catch (...) {
            state->error = std::current_exception();
        }
        {
            std::lock_guard lock(state->mutex);
            state->done = true;
        }
        state->changed.notify_all();
    });
    notice.reset();

    std::unique_lock lock(state->mutex);
    state->changed.wait(lock, shutdown_.get_token(), [&] { return state->done || state->dropped; });
    if (!state->done) {
        if (!state->running) {
            state->abandoned = true;
            throw ModelShutDown{};
        }
        // A segment under way finishes before the task may end.
        state->changed.wait(lock, [&] { return state->done; });
    }
    if (state->error) std::rethrow_exception(state->error);
}

} // namespace keepsift::app
