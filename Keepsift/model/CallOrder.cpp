#include "Keepsift/model/CallOrder.hpp"

#include "Keepsift/model/ModelTasks.hpp"

namespace keepsift::app {

CallOrder::CallOrder() : queue_(std::make_shared<Queue>()) {}

std::shared_ptr<CallOrder::Place> CallOrder::take() {
    std::lock_guard lock(queue_->mutex);
    return std::make_shared<Place>(queue_, queue_->taken++);
}

void CallOrder::Place::run(std::stop_token stop, const std::function<void()>& part) {
    {
        std::unique_lock lock(queue_->mutex);
        if (!queue_->turned.wait(lock, stop, [&] { return queue_->current == number_; }))
            throw ModelShutDown{};
    }
    try {
        part();
    } catch (...) {
        pass();
        throw;
    }
    pass();
}

void CallOrder::Place::pass() {
    {
        std::lock_guard lock(queue_->mutex);
        if (passed_) return;
        passed_ = true;
        queue_->passedEarly.insert(number_);
        while (queue_->passedEarly.erase(queue_->current) > 0)
            ++queue_->current;
    }
    queue_->turned.notify_all();
}

} // namespace keepsift::app
