#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace keepsift::app {

// Review actions the window took that have not reached the engine yet. A quit holds the main
// actor while it flushes, so it cannot wait for what those actions still ask of it; it waits
// here instead, for each action to land in the engine or be refused.
class ActionsInFlight : public std::enable_shared_from_this<ActionsInFlight> {
public:
    // One action's place, taken as the window takes the action; landed once, by hand or when
    // the last copy goes (an action whose task never ran lands too).
    class Ticket {
    public:
        explicit Ticket(std::shared_ptr<ActionsInFlight> owner) : owner_(std::move(owner)) {}
        Ticket(const Ticket&) = delete;
        Ticket& operator=(const Ticket&) = delete;
        ~Ticket() { land(); }
        void land();

    private:
        std::shared_ptr<ActionsInFlight> owner_;
        std::atomic<bool> landed_ = false;
    };

    std::shared_ptr<Ticket> take();
    // Whether every action taken so far has landed by the deadline.
    bool awaitLanded(std::chrono::steady_clock::time_point deadline);

private:
    std::mutex mutex_;
    std::condition_variable landed_;
    int inFlight_ = 0;
};

} // namespace keepsift::app
