#pragma once

#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>

namespace keepsift {

// Turns a platform call that answers through a handler into a blocking one. The service may
// call a handler more than once, on any thread: only the first answer counts.
template <class T> class ResumeOnce {
public:
    using Pointer = std::shared_ptr<ResumeOnce<T>>;
    static Pointer make() { return std::make_shared<ResumeOnce<T>>(); }

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

    T wait() { return future_.get(); }

    // Issues the request with a handler that answers this box, then blocks for the answer.
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
