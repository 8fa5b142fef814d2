#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <stop_token>
#include <vector>

#include "telemetry/store/StoreTransaction.hpp"

namespace keepsift::analytics {

// Where store transactions come from: what the user is entitled to now, and the updates as
// they arrive.
class TransactionSource {
public:
    virtual ~TransactionSource() = default;
    virtual std::vector<StoreTransaction> currentEntitlements() = 0;
    // The next update; nothing once the updates have ended or the stop was requested.
    virtual std::optional<StoreTransaction> nextUpdate(std::stop_token stop) = 0;
};

// Linux has no application store: no entitlements, and the updates end at once.
class NoStoreTransactions : public TransactionSource {
public:
    std::vector<StoreTransaction> currentEntitlements() override { return {}; }
    std::optional<StoreTransaction> nextUpdate(std::stop_token) override { return std::nullopt; }
};

// Transactions a test hands in, in the order it hands them in.
class ScriptedTransactions : public TransactionSource {
public:
    void setEntitlements(std::vector<StoreTransaction> transactions);
    void deliver(StoreTransaction transaction);
    // The updates end once the delivered ones are read.
    void finish();
    // Blocks until every delivered update was taken.
    void waitUntilTaken();

    std::vector<StoreTransaction> currentEntitlements() override;
    std::optional<StoreTransaction> nextUpdate(std::stop_token stop) override;

private:
    std::mutex lock_;
    std::condition_variable_any changed_;
    std::vector<StoreTransaction> entitlements_;
    std::deque<StoreTransaction> updates_;
    bool finished_ = false;
};

} // namespace keepsift::analytics
