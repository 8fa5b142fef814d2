#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "Keepsift/model/MainActor.hpp"

namespace keepsift::app {

// A main actor on a thread of its own, for tests and tools without a GUI event loop.
class SerialMainActor : public MainActor {
public:
    SerialMainActor();
    // Drops what is still queued and stops the thread.
    ~SerialMainActor() override;

    void post(std::function<void()> work) override;
    // Runs `work` on the actor and waits for it; never call it from the actor itself.
    void runAndWait(const std::function<void()>& work);
    bool isCurrent() const { return std::this_thread::get_id() == thread_.get_id(); }

private:
    void loop(std::stop_token stop);

    std::mutex mutex_;
    std::condition_variable_any ready_;
    std::deque<std::function<void()>> queue_;
    bool stopped_ = false;
    std::jthread thread_;
};

} // namespace keepsift::app
