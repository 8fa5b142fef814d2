#include "telemetry/trial/StoredTrial.hpp"

#include <charconv>

#include "core/support/Json.hpp"

namespace keepsift::analytics {

std::string encodeStoredTrial(const StoredTrial& trial) {
    std::string text = "{\"productID\":";
    appendJsonString(text, trial.productID);
    return text + ",\"originalTransactionID\":" + std::to_string(trial.originalTransactionID) + "}";
}

std::optional<StoredTrial> decodeStoredTrial(const std::string& text) {
    try {
        const Json object = Json::parse(text);
        const std::string& number = object.at("originalTransactionID").numberText();
        StoredTrial trial{object.at("productID").asString(), 0};
        const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(),
                                                  trial.originalTransactionID);
        if (error != std::errc() || end != number.data() + number.size()) return std::nullopt;
        return trial;
    } catch (const JsonError&) {
        return std::nullopt;
    }
}

} // namespace keepsift::analytics
