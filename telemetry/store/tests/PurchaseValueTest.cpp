#include <gtest/gtest.h>

#include "telemetry/store/PurchaseValue.hpp"
#include "telemetry/store/TransactionSource.hpp"

namespace keepsift::analytics {
namespace {

using T = StoreTransaction;

T purchase(double price, std::optional<std::string> currency) {
    T t;
    t.productID = "pro";
    t.price = price;
    t.currency = std::move(currency);
    return t;
}

TEST(PurchaseValue, PricesAreConvertedToDollarsByTheTable) {
    EXPECT_EQ(usdExchangeRates().size(), 161u);
    EXPECT_EQ(usdExchangeRates().count("USD"), 0u);
    EXPECT_EQ(usdExchangeRates().at("ZWL"), 26.4365);
    EXPECT_EQ(priceInUSD(purchase(4.99, "USD")), 4.99);
    EXPECT_NEAR(priceInUSD(purchase(9.99, "EUR")), 10.4794, 1e-4);
    EXPECT_EQ(priceInUSD(purchase(9.99, "EUR")), 9.99 / 0.9533);
    EXPECT_EQ(priceInUSD(purchase(9.99, "XXX")), 0);
    EXPECT_EQ(priceInUSD(purchase(9.99, "eur")), 0);
    EXPECT_EQ(priceInUSD(purchase(9.99, std::nullopt)), 0);
    T noPrice = purchase(0, "EUR");
    noPrice.price.reset();
    EXPECT_EQ(priceInUSD(noPrice), 0);
}

TEST(PurchaseValue, ParametersNameTypeCountryProductAndKnownCurrency) {
    T t = purchase(1, "EUR");
    t.storefrontCountryCode = "DEU";
    EXPECT_EQ(purchaseParameters(t), (ParameterMap{{"Analytics.Purchase.type", "one-time-purchase"},
                                                   {"Analytics.Purchase.countryCode", "DEU"},
                                                   {"Analytics.Purchase.productID", "pro"},
                                                   {"Analytics.Purchase.currencyCode", "EUR"}}));
    t.subscriptionGroupID = "g";
    t.currency.reset();
    t.storefrontCountryCode.reset();
    EXPECT_EQ(purchaseParameters(t), (ParameterMap{{"Analytics.Purchase.type", "subscription"},
                                                   {"Analytics.Purchase.countryCode", ""},
                                                   {"Analytics.Purchase.productID", "pro"}}));
}

TEST(PurchaseValue, AFreeTrialIsAnIntroductoryOfferOfARenewingSubscriptionAtNoPrice) {
    T t = purchase(0, "USD");
    t.productType = T::ProductType::autoRenewable;
    t.offerType = T::OfferType::introductory;
    EXPECT_TRUE(isFreeTrialPurchase(t));
    t.price.reset();
    EXPECT_TRUE(isFreeTrialPurchase(t));
    t.price = 0.99;
    EXPECT_FALSE(isFreeTrialPurchase(t));
    t.price = 0;
    t.offerType = T::OfferType::promotional;
    EXPECT_FALSE(isFreeTrialPurchase(t));
    t.offerType = T::OfferType::introductory;
    t.productType = T::ProductType::nonRenewable;
    EXPECT_FALSE(isFreeTrialPurchase(t));
}

TEST(ScriptedTransactions, UpdatesArriveInOrderAndEndWhenFinishedOrStopped) {
    ScriptedTransactions source;
    source.setEntitlements({purchase(1, "USD")});
    EXPECT_EQ(source.currentEntitlements().size(), 1u);
    source.deliver(purchase(1, "USD"));
    source.deliver(purchase(2, "USD"));
    source.finish();
    std::stop_source stop;
    EXPECT_EQ(source.nextUpdate(stop.get_token())->price, 1);
    EXPECT_EQ(source.nextUpdate(stop.get_token())->price, 2);
    EXPECT_FALSE(source.nextUpdate(stop.get_token()));
    EXPECT_FALSE(NoStoreTransactions().nextUpdate(stop.get_token()));
    EXPECT_TRUE(NoStoreTransactions().currentEntitlements().empty());

    ScriptedTransactions open;
    stop.request_stop();
    EXPECT_FALSE(open.nextUpdate(stop.get_token()));
}

} // namespace
} // namespace keepsift::analytics
