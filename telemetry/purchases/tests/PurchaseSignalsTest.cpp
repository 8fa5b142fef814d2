#include "telemetry/purchases/PurchaseSignals.hpp"
#include "telemetry/client/tests/InstalledClient.hpp"

namespace keepsift::analytics {
namespace {

using T = StoreTransaction;

struct PurchaseSignalsTest : testing::InstalledClient {
    std::shared_ptr<ScriptedTransactions> source = std::make_shared<ScriptedTransactions>();
    TrialConversionTracker tracker{clientTrialServices(source)};

    ~PurchaseSignalsTest() override {
        source->finish();
        tracker.waitUntilListenerEnds();
    }
    void report(const T& t, const ParameterMap& parameters = {}) {
        PurchaseSignals::purchaseCompleted(t, parameters, std::nullopt, tracker);
    }
    static T subscription(std::optional<double> price) {
        T t;
        t.productID = "pro";
        t.originalID = 7;
        t.productType = T::ProductType::autoRenewable;
        t.subscriptionGroupID = "g";
        t.offerType = T::OfferType::introductory;
        t.offerPaymentMode = T::PaymentMode::freeTrial;
        t.price = price;
        t.currency = "USD";
        return t;
    }
};

TEST_F(PurchaseSignalsTest, AOneTimePurchaseIsCompletedAtItsDollarPrice) {
    T t;
    t.productID = "lifetime";
    t.price = 4.99;
    t.currency = "USD";
    report(t);
    const auto records = cached();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].type, "Analytics.Purchase.completed");
    EXPECT_EQ(records[0].floatValue, 4.99);
    EXPECT_EQ(records[0].payload.merged().at("Analytics.Purchase.type"), "one-time-purchase");
    EXPECT_FALSE(tracker.isListening());
}

TEST_F(PurchaseSignalsTest, AFreeTrialStartsTheTrackerAndItsPaymentConvertsOnce) {
    report(subscription(0));
    auto [name, own] = only();
    EXPECT_EQ(name, "Analytics.Purchase.freeTrialStarted");
    EXPECT_EQ(own.at("Analytics.Purchase.type"), "subscription");
    EXPECT_EQ(tracker.storedTrial(), (StoredTrial{"pro", 7}));
    EXPECT_TRUE(Analytics::suiteDefaults()->dataForKey("lastTrial"));

    T paid = subscription(9.99);
    paid.offerType.reset();
    paid.offerPaymentMode.reset();
    source->deliver(paid);
    source->deliver(paid);
    source->finish();
    tracker.waitUntilListenerEnds();
    const auto records = cached();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].type, "Analytics.Purchase.convertedFromTrial");
    EXPECT_EQ(records[0].floatValue, 9.99);
    EXPECT_FALSE(Analytics::suiteDefaults()->dataForKey("lastTrial"));
}

TEST_F(PurchaseSignalsTest, APaidIntroductoryOfferIsACompletedPurchase) {
    report(subscription(0.99), {{"Analytics.Purchase.type", "mine"}});
    const auto records = cached();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].type, "Analytics.Purchase.completed");
    EXPECT_EQ(records[0].floatValue, 0.99);
    EXPECT_EQ(records[0].payload.merged().at("Analytics.Purchase.type"), "mine");
}

TEST_F(PurchaseSignalsTest, WithoutACurrencyTheValueIsZeroAndNoCodeIsSent) {
    T t;
    t.productID = "x";
    t.price = 3;
    report(t);
    const auto records = cached();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].floatValue, 0.0);
    EXPECT_EQ(records[0].payload.merged().count("Analytics.Purchase.currencyCode"), 0u);
}

TEST_F(PurchaseSignalsTest, TheSharedTrackerHasNoStoreOnLinux) {
    EXPECT_FALSE(PurchaseSignals::sharedTrialTracker().isListening());
}

} // namespace
} // namespace keepsift::analytics
