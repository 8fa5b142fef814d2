#include "telemetry/purchases/PurchaseSignals.hpp"

#include "telemetry/client/Analytics.hpp"
#include "telemetry/client/Guarded.hpp"
#include "telemetry/store/PurchaseValue.hpp"

namespace keepsift::analytics {
namespace {

Guarded<std::shared_ptr<TransactionSource>>& transactionSource() {
    static Guarded<std::shared_ptr<TransactionSource>> source{
        std::make_shared<NoStoreTransactions>()};
    return source;
}

} // namespace

TrialTrackerServices clientTrialServices(std::shared_ptr<TransactionSource> source) {
    TrialTrackerServices services;
    services.transactions = std::move(source);
    services.defaults = [] { return Analytics::suiteDefaults(); };
    services.clientIsSetUp = [] { return TelemetryManager::sharedConfiguration() != nullptr; };
    services.now = [] {
        const auto c = TelemetryManager::sharedConfiguration();
        return c ? c->clock.get()->now() : Date::now();
    };
    services.sendSignal = [](const std::string& name, const ParameterMap& parameters,
                             std::optional<double> floatValue) {
        Analytics::internalSignal(name, parameters, floatValue, std::nullopt);
    };
    return services;
}

void PurchaseSignals::setTransactionSource(std::shared_ptr<TransactionSource> source) {
    transactionSource().set(std::move(source));
}

TrialConversionTracker& PurchaseSignals::sharedTrialTracker() {
    static TrialConversionTracker tracker(clientTrialServices(transactionSource().get()));
    return tracker;
}

void PurchaseSignals::purchaseCompleted(const StoreTransaction& transaction,
                                        const ParameterMap& parameters,
                                        std::optional<std::string> customUserID) {
    purchaseCompleted(transaction, parameters, std::move(customUserID), sharedTrialTracker());
}

void PurchaseSignals::purchaseCompleted(const StoreTransaction& transaction,
                                        const ParameterMap& parameters,
                                        std::optional<std::string> customUserID,
                                        TrialConversionTracker& tracker) {
    ParameterMap all = purchaseParameters(transaction);
    for (const auto& [key, value] : parameters)
        all[key] = value;
    if (isFreeTrialPurchase(transaction)) {
        Analytics::internalSignal(freeTrialStartedSignal, all, std::nullopt,
                                  std::move(customUserID));
        tracker.rememberTrial(StoredTrial{transaction.productID, transaction.originalID});
        tracker.startListening();
        return;
    }
    Analytics::internalSignal(completedSignal, all, priceInUSD(transaction),
                              std::move(customUserID));
}

} // namespace keepsift::analytics
