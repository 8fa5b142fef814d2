#include "Keepsift/model/ActionsInFlight.hpp"

namespace keepsift::app {

std::shared_ptr<ActionsInFlight::Ticket> ActionsInFlight::take() {
    {
        std::lock_guard lock(mutex_);
        ++inFlight_;
    }
    return std::make_shared<Ticket>(shared_from_this());
}

void ActionsInFlight::Ticket::land() {
    if (landed_.exchange(true)) return;
    {
        std::lock_guard lock(owner_->mutex_);
        --owner_->inFlight_;
    }
    owner_->landed_.notify_all();
}

bool ActionsInFlight::awaitLanded(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    return landed_.wait_until(lock, deadline, [this] { return inFlight_ == 0; });
}

} // namespace keepsift::app
