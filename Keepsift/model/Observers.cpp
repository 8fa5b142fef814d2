#include "Keepsift/model/Observers.hpp"

#include <vector>

namespace keepsift::app {

ObservationToken& ObservationToken::operator=(ObservationToken&& other) noexcept {
    if (this != &other) {
        cancel();
        cancel_ = std::move(other.cancel_);
        other.cancel_ = nullptr;
    }
    return *this;
}

void ObservationToken::cancel() {
    if (!cancel_) return;
    auto cancel = std::move(cancel_);
    cancel_ = nullptr;
    cancel();
}

ObservationToken Observers::observe(Observer observer) {
    const std::uint64_t key = next_++;
    (*list_)[key] = std::make_shared<Observer>(std::move(observer));
    // A token that outlives the model cancels nothing.
    return ObservationToken([weak = std::weak_ptr<List>(list_), key] {
        if (auto list = weak.lock()) list->erase(key);
    });
}

void Observers::announce(Property property) const {
    // Observers may change the list while they are told: one cancelled meanwhile is skipped,
    // one added meanwhile hears from the next change on.
    std::vector<std::uint64_t> keys;
    keys.reserve(list_->size());
    for (const auto& entry : *list_)
        keys.push_back(entry.first);
    for (const auto key : keys) {
        const auto found = list_->find(key);
        if (found == list_->end()) continue;
        const std::shared_ptr<Observer> observer = found->second;
        (*observer)(property);
    }
}

} // namespace keepsift::app
