#include <atomic>
#include <gtest/gtest.h>

#include "core/model/Clock.hpp"
#include "telemetry/sessions/tests/MemoryDefaults.hpp"
#include "telemetry/trial/TrialConversionTracker.hpp"

namespace keepsift::analytics {
namespace {

using T = StoreTransaction;

struct Sent {
    std::string name;
    ParameterMap parameters;
    std::optional<double> floatValue;
};

struct TrialConversionTrackerTest : ::testing::Test {
    std::shared_ptr<testing::MemoryDefaults> defaults = std::make_shared<testing::MemoryDefaults>();
    std::shared_ptr<ScriptedTransactions> source = std::make_shared<ScriptedTransactions>();
    MutableClock clock{Date{800'000'000}};
    std::mutex lock;
    std::vector<Sent> sent;
    std::atomic<bool> clientSetUp{true};

    std::unique_ptr<TrialConversionTracker> make() {
        TrialTrackerServices services;
        services.transactions = source;
        services.defaults = [this] { return defaults; };
        services.clientIsSetUp = [this] { return clientSetUp.load(); };
        services.now = [this] { return clock.now(); };
        services.sendSignal = [this](const std::string& n, const ParameterMap& p,
                                     std::optional<double> f) {
            std::lock_guard guard(lock);
            sent.push_back({n, p, f});
        };
        return std::make_unique<TrialConversionTracker>(services);
    }
    // A tracker waiting for product "pro" of original transaction 7.
    std::unique_ptr<TrialConversionTracker> waiting() {
        auto tracker = make();
        tracker->rememberTrial(StoredTrial{"pro", 7});
        tracker->startListening();
        return tracker;
    }
    static T renewal(bool freeTrial = false) {
        T t;
        t.id = 8;
        t.originalID = 7;
        t.productID = "pro";
        t.productType = T::ProductType::autoRenewable;
        t.subscriptionGroupID = "g";
        t.price = freeTrial ? 0.0 : 9.99;
        t.currency = "EUR";
        t.storefrontCountryCode = "DEU";
        if (freeTrial) {
            t.offerType = T::OfferType::introductory;
            t.offerPaymentMode = T::PaymentMode::freeTrial;
        }
        return t;
    }
    // Delivers the transactions, ends the updates and waits for the listener.
    void deliver(TrialConversionTracker& tracker, std::vector<T> transactions) {
        for (auto& t : transactions)
            source->deliver(std::move(t));
        source->finish();
        tracker.waitUntilListenerEnds();
    }
};

TEST_F(TrialConversionTrackerTest, FirstPaidRenewalReportsOnceAndForgetsTheTrial) {
    auto tracker = waiting();
    EXPECT_TRUE(tracker->isListening());
    deliver(*tracker, {renewal(true), renewal(), renewal()});
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].name, "Analytics.Purchase.convertedFromTrial");
    EXPECT_EQ(sent[0].parameters, (ParameterMap{{"Analytics.Purchase.type", "subscription"},
                                                {"Analytics.Purchase.countryCode", "DEU"},
                                                {"Analytics.Purchase.productID", "pro"},
                                                {"Analytics.Purchase.currencyCode", "EUR"}}));
    EXPECT_EQ(sent[0].floatValue, 9.99 / 0.9533);
    EXPECT_FALSE(tracker->storedTrial());
    EXPECT_FALSE(tracker->isListening());
    // The same transaction again, to a tracker listening anew: nothing is stored, nothing sent.
    source = std::make_shared<ScriptedTransactions>();
    auto again = make();
    again->startListening();
    deliver(*again, {renewal()});
    EXPECT_EQ(sent.size(), 1u);
}

TEST_F(TrialConversionTrackerTest, AFreeTrialRenewalKeepsWaiting) {
    auto tracker = waiting();
    deliver(*tracker, {renewal(true), renewal(true)});
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(tracker->storedTrial(), (StoredTrial{"pro", 7}));
}

TEST_F(TrialConversionTrackerTest, RefundExpiryOrUpgradeEndsTheWaitSilently) {
    for (int kind = 0; kind < 3; ++kind) {
        SCOPED_TRACE(kind);
        source = std::make_shared<ScriptedTransactions>();
        auto tracker = waiting();
        T t = renewal();
        if (kind == 0) t.revocationDate = clock.now();
        if (kind == 1) t.expirationDate = clock.now().adding(-1);
        if (kind == 2) t.isUpgraded = true;
        deliver(*tracker, {t, renewal()});
        EXPECT_TRUE(sent.empty());
        EXPECT_FALSE(tracker->storedTrial());
        EXPECT_EQ(defaults->dataForKey("lastTrial"), std::nullopt);
    }
}

TEST_F(TrialConversionTrackerTest, ForeignUnverifiedOrEarlyTransactionsAreIgnored) {
    auto tracker = waiting();
    T other = renewal();
    other.productID = "other";
    T otherOriginal = renewal();
    otherOriginal.originalID = 99;
    T unverified = renewal();
    unverified.isVerified = false;
    T future = renewal();
    future.expirationDate = clock.now().adding(3600);
    future.price = 19.99;
    deliver(*tracker, {other, otherOriginal, unverified, future});
    ASSERT_EQ(sent.size(), 1u); // only the last, whose expiry lies ahead
    EXPECT_EQ(sent[0].floatValue, 19.99 / 0.9533);
}

TEST_F(TrialConversionTrackerTest, TransactionsBeforeTheClientIsSetUpAreIgnored) {
    clientSetUp = false;
    auto tracker = waiting();
    deliver(*tracker, {renewal()});
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(tracker->storedTrial(), (StoredTrial{"pro", 7}));
}

TEST_F(TrialConversionTrackerTest, OutOfOrderDeliveryStillReportsOnce) {
    auto tracker = waiting();
    T later = renewal();
    later.purchaseDate = clock.now();
    T earlier = renewal(true);
    earlier.purchaseDate = clock.now().adding(-86400);
    deliver(*tracker, {later, earlier, later});
    EXPECT_EQ(sent.size(), 1u);
}

TEST_F(TrialConversionTrackerTest, AStoredTrialResumesListeningAtCreation) {
    defaults->setObject(R"({"productID":"pro","originalTransactionID":7})", "lastTrial");
    auto tracker = make();
    EXPECT_TRUE(tracker->isListening());
    deliver(*tracker, {renewal()});
    EXPECT_EQ(sent.size(), 1u);
}

TEST_F(TrialConversionTrackerTest, AnUnreadableStoredTrialIsNoTrial) {
    for (const std::string text :
         {"garbage", R"({"productID":"pro"})", R"({"productID":"pro","originalTransactionID":-1})",
          R"({"productID":1,"originalTransactionID":7})", R"([])"}) {
        SCOPED_TRACE(text);
        defaults->setObject(text, "lastTrial");
        auto tracker = make();
        EXPECT_FALSE(tracker->isListening());
        EXPECT_FALSE(tracker->storedTrial());
    }
}

TEST(StoredTrialText, KeysAreTheFieldNames) {
    EXPECT_EQ(encodeStoredTrial({"pro", 18446744073709551615u}),
              R"({"productID":"pro","originalTransactionID":18446744073709551615})");
    EXPECT_EQ(decodeStoredTrial(encodeStoredTrial({"p\"x", 5})), (StoredTrial{"p\"x", 5}));
}

} // namespace
} // namespace keepsift::analytics
