#include "telemetry/presets/PresetSignals.hpp"

#include "telemetry/client/Analytics.hpp"
#include "telemetry/client/Guarded.hpp"

namespace keepsift::analytics {
namespace {

void send(const std::string& name, ParameterMap built, const ParameterMap& caller,
          std::optional<double> floatValue, PresetSignals::User user) {
    for (const auto& [key, value] : caller)
        built[key] = value;
    Analytics::internalSignal(name, built, floatValue, std::move(user));
}

Guarded<std::optional<std::string>>& navigationStatus() {
    static Guarded<std::optional<std::string>> previous;
    return previous;
}

} // namespace

void PresetSignals::userAcquired(const std::string& channel, const ParameterMap& parameters,
                                 User customUserID) {
    send("Analytics.Acquisition.userAcquired", {{"Analytics.Acquisition.channel", channel}},
         parameters, std::nullopt, std::move(customUserID));
}

void PresetSignals::leadStarted(const std::string& leadID, const ParameterMap& parameters,
                                User customUserID) {
    send("Analytics.Acquisition.leadStarted", {{"Analytics.Acquisition.leadID", leadID}},
         parameters, std::nullopt, std::move(customUserID));
}

void PresetSignals::leadConverted(const std::string& leadID, const ParameterMap& parameters,
                                  User customUserID) {
    send("Analytics.Acquisition.leadConverted", {{"Analytics.Acquisition.leadID", leadID}},
         parameters, std::nullopt, std::move(customUserID));
}

void PresetSignals::onboardingCompleted(const ParameterMap& parameters, User customUserID) {
    send("Analytics.Activation.onboardingCompleted", {}, parameters, std::nullopt,
         std::move(customUserID));
}

void PresetSignals::coreFeatureUsed(const std::string& featureName, const ParameterMap& parameters,
                                    User customUserID) {
    send("Analytics.Activation.coreFeatureUsed",
         {{"Analytics.Activation.featureName", featureName}}, parameters, std::nullopt,
         std::move(customUserID));
}

void PresetSignals::referralSent(std::int64_t receiversCount,
                                 const std::optional<std::string>& kind,
                                 const ParameterMap& parameters, User customUserID) {
    ParameterMap built{{"Analytics.Referral.receiversCount", std::to_string(receiversCount)}};
    if (kind) built["Analytics.Referral.kind"] = *kind;
    send("Analytics.Referral.sent", std::move(built), parameters, std::nullopt,
         std::move(customUserID));
}

void PresetSignals::userRatingSubmitted(std::int64_t rating,
                                        const std::optional<std::string>& comment,
                                        const ParameterMap& parameters, User customUserID) {
    if (static_cast<std::uint64_t>(rating) > 10) {
        if (const auto c = TelemetryManager::sharedConfiguration())
            c->log(LogHandler::LogLevel::error, "Rating must be between 0 and 10");
        return;
    }
    ParameterMap built{{"Analytics.Referral.ratingValue", std::to_string(rating)}};
    if (comment) built["Analytics.Referral.ratingComment"] = *comment;
    send("Analytics.Referral.userRatingSubmitted", std::move(built), parameters, std::nullopt,
         std::move(customUserID));
}

void PresetSignals::paywallShown(const std::string& reason, const ParameterMap& parameters,
                                 User customUserID) {
    send("Analytics.Revenue.paywallShown", {{"Analytics.Revenue.paywallShowReason", reason}},
         parameters, std::nullopt, std::move(customUserID));
}

void PresetSignals::errorOccurred(const std::string& id, std::optional<ErrorCategory> category,
                                  const std::optional<std::string>& message,
                                  const ParameterMap& parameters, std::optional<double> floatValue,
                                  User customUserID) {
    ParameterMap built{{"Analytics.Error.id", id}};
    if (category) built["Analytics.Error.category"] = std::string(rawValue(*category));
    if (message) built["Analytics.Error.message"] = *message;
    send("Analytics.Error.occurred", std::move(built), parameters, floatValue,
         std::move(customUserID));
}

void PresetSignals::errorOccurred(const IdentifiableError& error, ErrorCategory category,
                                  const ParameterMap& parameters, std::optional<double> floatValue,
                                  User customUserID) {
    errorOccurred(error.id(), category, error.localizedDescription(), parameters, floatValue,
                  std::move(customUserID));
}

void PresetSignals::errorOccurred(const IdentifiableError& error, ErrorCategory category,
                                  const std::optional<std::string>& message,
                                  const ParameterMap& parameters, std::optional<double> floatValue,
                                  User customUserID) {
    errorOccurred(error.id(), category, message, parameters, floatValue, std::move(customUserID));
}

void PresetSignals::navigationPathChanged(const std::string& from, const std::string& to,
                                          User customUserID) {
    navigationStatus().set(to);
    send("Analytics.Navigation.pathChanged",
         {{"Analytics.Navigation.schemaVersion", "1"},
          {"Analytics.Navigation.identifier", from + " -> " + to},
          {"Analytics.Navigation.sourcePath", from},
          {"Analytics.Navigation.destinationPath", to}},
         {}, std::nullopt, std::move(customUserID));
}

void PresetSignals::navigationPathChangedTo(const std::string& to, User customUserID) {
    navigationPathChanged(navigationStatus().get().value_or(""), to, std::move(customUserID));
}

std::optional<std::string> PresetSignals::previousNavigationPath() {
    return navigationStatus().get();
}

} // namespace keepsift::analytics
