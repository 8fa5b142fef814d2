#include "telemetry/trial/TrialConversionTracker.hpp"

#include "telemetry/store/PurchaseValue.hpp"

namespace keepsift::analytics {
namespace {

bool isStillFreeTrial(const StoreTransaction& t) {
    return t.offerType == StoreTransaction::OfferType::introductory &&
           t.offerPaymentMode == StoreTransaction::PaymentMode::freeTrial;
}

} // namespace

TrialConversionTracker::TrialConversionTracker(TrialTrackerServices services)
    : services_(std::move(services)) {
    if (storedTrial()) startListening();
}

TrialConversionTracker::~TrialConversionTracker() {
    stopListener();
    persistenceQueue_.drain();
}

void TrialConversionTracker::rememberTrial(std::optional<StoredTrial> trial) {
    persistenceQueue_.push([this, trial = std::move(trial)] {
        const auto defaults = services_.defaults();
        if (!defaults) return;
        if (trial)
            defaults->setObject(encodeStoredTrial(*trial), storedTrialKey);
        else
            defaults->removeObject(storedTrialKey);
    });
}

// Reads see every write submitted before them, so a trial remembered just before the
// listener starts is the one it compares with.
std::optional<StoredTrial> TrialConversionTracker::storedTrial() {
    persistenceQueue_.drain();
    const auto defaults = services_.defaults ? services_.defaults() : nullptr;
    if (!defaults) return std::nullopt;
    const auto data = defaults->dataForKey(storedTrialKey);
    return data ? decodeStoredTrial(*data) : std::nullopt;
}

void TrialConversionTracker::startListening() {
    stopListener();
    std::lock_guard guard(taskLock_);
    listening_ = true;
    transactionUpdateTask_ = std::jthread([this](std::stop_token stop) { listen(stop); });
}

void TrialConversionTracker::stopListener() {
    std::jthread running;
    {
        std::lock_guard guard(taskLock_);
        running = std::move(transactionUpdateTask_);
        listening_ = false;
    }
    // The listener never stops itself through here: it just returns.
    if (running.joinable() && running.get_id() != std::this_thread::get_id()) {
        running.request_stop();
        running.join();
    }
}

bool TrialConversionTracker::isListening() {
    std::lock_guard guard(taskLock_);
    return listening_;
}

void TrialConversionTracker::waitUntilListenerEnds() {
    std::jthread running;
    {
        std::lock_guard guard(taskLock_);
        running = std::move(transactionUpdateTask_);
    }
    if (running.joinable()) running.join();
    persistenceQueue_.drain();
}

void TrialConversionTracker::waitUntilPersisted() {
    persistenceQueue_.drain();
}

void TrialConversionTracker::listen(std::stop_token stop) {
    const auto source = services_.transactions;
    while (source && !stop.stop_requested()) {
        const auto transaction = source->nextUpdate(stop);
        if (!transaction) break;
        const Verdict verdict = judge(*transaction);
        if (verdict == Verdict::ignore || verdict == Verdict::keepWaiting) continue;
        if (verdict == Verdict::converted)
            services_.sendSignal(convertedSignal, purchaseParameters(*transaction),
                                 priceInUSD(*transaction));
        rememberTrial(std::nullopt);
        break;
    }
    std::lock_guard guard(taskLock_);
    if (!stop.stop_requested()) listening_ = false;
}

TrialConversionTracker::Verdict TrialConversionTracker::judge(const StoreTransaction& t) {
    if (!t.isVerified) return Verdict::ignore;
    if (!services_.clientIsSetUp()) return Verdict::ignore;
    const auto trial = storedTrial();
    if (!trial || t.productID != trial->productID || t.originalID != trial->originalTransactionID)
        return Verdict::ignore;
    if (t.revocationDate) return Verdict::giveUp;
    if (t.expirationDate && t.expirationDate->since(services_.now()) < 0) return Verdict::giveUp;
    if (t.isUpgraded) return Verdict::giveUp;
    if (isStillFreeTrial(t)) return Verdict::keepWaiting;
    return Verdict::converted;
}

} // namespace keepsift::analytics
