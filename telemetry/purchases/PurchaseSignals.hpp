#pragma once

#include <memory>
#include <optional>
#include <string>

#include "telemetry/client/Payload.hpp"
#include "telemetry/store/StoreTransaction.hpp"
#include "telemetry/store/TransactionSource.hpp"
#include "telemetry/trial/TrialConversionTracker.hpp"

namespace keepsift::analytics {

// Turns one completed store transaction into one signal: a free trial's start (handed on to
// the trial tracker) or a completed purchase valued in US dollars. It only reports what the
// store decided.
class PurchaseSignals {
public:
    static constexpr const char* freeTrialStartedSignal = "Analytics.Purchase.freeTrialStarted";
    static constexpr const char* completedSignal = "Analytics.Purchase.completed";

    static void purchaseCompleted(const StoreTransaction& transaction,
                                  const ParameterMap& parameters = {},
                                  std::optional<std::string> customUserID = std::nullopt);
    // The same, with the trial tracker to hand a free trial to.
    static void purchaseCompleted(const StoreTransaction& transaction,
                                  const ParameterMap& parameters,
                                  std::optional<std::string> customUserID,
                                  TrialConversionTracker& tracker);

    // The process's tracker, on the client's suite and the store source; made on first use.
    static TrialConversionTracker& sharedTrialTracker();
    // Where store transactions come from; no store on Linux unless one is set before the
    // tracker's first use.
    static void setTransactionSource(std::shared_ptr<TransactionSource> source);
};

// The trial tracker's services on the installed client.
TrialTrackerServices clientTrialServices(std::shared_ptr<TransactionSource> source);

} // namespace keepsift::analytics
