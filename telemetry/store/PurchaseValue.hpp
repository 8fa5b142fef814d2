#pragma once

#include <map>
#include <string>

#include "telemetry/client/Payload.hpp"
#include "telemetry/store/StoreTransaction.hpp"

namespace keepsift::analytics {

// Units of each currency worth one US dollar, by ISO 4217 code; "USD" is not in it.
const std::map<std::string, double, std::less<>>& usdExchangeRates();

// An auto-renewable subscription begun through an introductory offer at no price.
bool isFreeTrialPurchase(const StoreTransaction& transaction);
// The price in US dollars; 0 without a currency or for one the table does not know.
double priceInUSD(const StoreTransaction& transaction);
// Type, country code, product and, when known, currency code.
ParameterMap purchaseParameters(const StoreTransaction& transaction);

} // namespace keepsift::analytics
