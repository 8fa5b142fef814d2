#pragma once

#include <future>
#include <memory>
#include <mutex>
#include <optional>

namespace keepsift {

// A once-only completion box that turns a request answering through a handler into a
// blocking call. The handler may fire more than once, on any thread: the first answer wins
// and later ones are ignored.
template <class T> class FirstAnswer {
public:
    using Pointer = std::shared_ptr<FirstAnswer<T>>;
    static Pointer make() { return std::make_shared<FirstAnswer<T>>(); }

    // False when an earlier answer already won.
    bool resume(T value) {
        std::optional<std::promise<T>> taken;
        {
            std::lock_guard lock(mutex_);
            taken.swap(promise_);
        }
        if (!taken) return false;
        taken->set_value(std::move(value));
        return true;
    }

    // Blocks until the first answer, however long the other side takes; once only.
    T wait() { return future_.get(); }

    // Issues the request with a handler that answers a fresh box, then blocks for the answer.
    template <class Issue> static T await(Issue&& issue) {
        auto box = make();
        issue(box);
        return box->wait();
    }

private:
    std::mutex mutex_;
    std::optional<std::promise<T>> promise_{std::in_place};
    std::future<T> future_ = promise_->get_future();
};

} // namespace keepsift
