#include "telemetry/store/TransactionSource.hpp"

namespace keepsift::analytics {

void ScriptedTransactions::setEntitlements(std::vector<StoreTransaction> transactions) {
    std::lock_guard guard(lock_);
    entitlements_ = std::move(transactions);
}

void ScriptedTransactions::deliver(StoreTransaction transaction) {
    {
        std::lock_guard guard(lock_);
        updates_.push_back(std::move(transaction));
    }
    changed_.notify_all();
}

void ScriptedTransactions::finish() {
    {
        std::lock_guard guard(lock_);
        finished_ = true;
    }
    changed_.notify_all();
}

void ScriptedTransactions::waitUntilTaken() {
    std::unique_lock guard(lock_);
    changed_.wait(guard, [&] { return updates_.empty(); });
}

std::vector<StoreTransaction> ScriptedTransactions::currentEntitlements() {
    std::lock_guard guard(lock_);
    return entitlements_;
}

std::optional<StoreTransaction> ScriptedTransactions::nextUpdate(std::stop_token stop) {
    std::unique_lock guard(lock_);
    changed_.wait(guard, stop, [&] { return !updates_.empty() || finished_; });
    if (stop.stop_requested() || updates_.empty()) return std::nullopt;
    StoreTransaction next = std::move(updates_.front());
    updates_.pop_front();
    changed_.notify_all();
    return next;
}

} // namespace keepsift::analytics
