#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <stop_token>

namespace keepsift::app {

// Lets operations that each run on a task of their own do one part of their work in the
// order they were started on the main actor, whatever order their tasks happen to run in.
class CallOrder {
    struct Queue;

public:
    // One operation's place in the order. The turn passes on once its part has run, or when
    // the place is dropped unused (its task never ran).
    class Place {
    public:
        Place(std::shared_ptr<Queue> queue, std::uint64_t number)
            : queue_(std::move(queue)), number_(number) {}
        ~Place() { pass(); }
        Place(const Place&) = delete;
        Place& operator=(const Place&) = delete;

        // Waits for every earlier place to pass, runs `part` and passes the turn. Throws
        // ModelShutDown when `stop` is requested first; `part` then does not run.
        void run(std::stop_token stop, const std::function<void()>& part);

    private:
        void pass();

        std::shared_ptr<Queue> queue_;
        std::uint64_t number_;
        bool passed_ = false;
    };

    CallOrder();
    // On the main actor, as the operation starts.
    std::shared_ptr<Place> take();

private:
    struct Queue {
        std::mutex mutex;
        std::condition_variable_any turned;
        std::uint64_t taken = 0;
        std::uint64_t current = 0;
        // Places that passed before their turn came: skipped when it does.
        std::set<std::uint64_t> passedEarly;
    };

    std::shared_ptr<Queue> queue_;
};

} // namespace keepsift::app
