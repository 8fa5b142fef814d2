#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/support/Date.hpp"

namespace keepsift::analytics {

// One transaction of an application store, as the purchase signals and the trial tracker
// read it.
struct StoreTransaction {
    enum class ProductType { consumable, nonConsumable, autoRenewable, nonRenewable };
    enum class OfferType { introductory, promotional, code, winBack };
    enum class PaymentMode { freeTrial, payAsYouGo, payUpFront };

    std::uint64_t id = 0;
    std::uint64_t originalID = 0;
    std::string productID;
    ProductType productType = ProductType::nonConsumable;
    std::optional<std::string> subscriptionGroupID;
    std::optional<double> price;
    std::optional<std::string> currency; // ISO 4217 code
    std::optional<std::string> storefrontCountryCode;
    std::optional<OfferType> offerType;
    std::optional<PaymentMode> offerPaymentMode;
    Date purchaseDate;
    std::optional<Date> expirationDate;
    std::optional<Date> revocationDate;
    bool isUpgraded = false;
    // The store vouched for it; unverified ones are ignored.
    bool isVerified = true;
};

} // namespace keepsift::analytics
