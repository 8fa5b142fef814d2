#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "core/storage/UserDefaults.hpp"
#include "telemetry/client/Payload.hpp"
#include "telemetry/client/WorkQueue.hpp"
#include "telemetry/store/TransactionSource.hpp"
#include "telemetry/trial/StoredTrial.hpp"

namespace keepsift::analytics {

// What the tracker reaches outside itself; each is looked up when it is needed.
struct TrialTrackerServices {
    std::shared_ptr<TransactionSource> transactions;
    // The client's suite; nothing before the client is set up.
    std::function<std::shared_ptr<UserDefaults>()> defaults;
    std::function<bool()> clientIsSetUp;
    std::function<Date()> now;
    std::function<void(const std::string& name, const ParameterMap& parameters,
                       std::optional<double> floatValue)>
        sendSignal;
};

// Reports once that a remembered free trial was paid for: it listens to the store's
// transaction updates while a trial is stored and sends "Analytics.Purchase.convertedFromTrial"
// for the first paid transaction of that subscription. A refund, an expiry or an upgrade
// ends the wait without a signal.
class TrialConversionTracker {
public:
    static constexpr const char* storedTrialKey = "lastTrial";
    static constexpr const char* convertedSignal = "Analytics.Purchase.convertedFromTrial";

    // Starts listening at once when a trial is stored.
    explicit TrialConversionTracker(TrialTrackerServices services);
    ~TrialConversionTracker();

    // Writes the trial on the persistence queue; nothing removes it.
    void rememberTrial(std::optional<StoredTrial> trial);
    // Ends a running listener and starts a new one.
    void startListening();
    std::optional<StoredTrial> storedTrial();

    bool isListening();
    // Blocks until the listener ends by itself (the updates ended, or it reported or gave up).
    void waitUntilListenerEnds();
    // Blocks until every write submitted so far is done.
    void waitUntilPersisted();

private:
    enum class Verdict { ignore, keepWaiting, converted, giveUp };

    void listen(std::stop_token stop);
    Verdict judge(const StoreTransaction& transaction);
    void stopListener();

    TrialTrackerServices services_;
    std::mutex taskLock_;
    std::jthread transactionUpdateTask_;
    bool listening_ = false;
    WorkQueue<std::function<void()>> persistenceQueue_{[](auto& write) { write(); }};
};

} // namespace keepsift::analytics
