#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "telemetry/client/Payload.hpp"
#include "telemetry/presets/ErrorCategory.hpp"

namespace keepsift::analytics {

// Ready-made signals of the client's interface for events most applications report. Each
// fixes its name and parameter names; the caller's parameters win on equal keys. Sent
// through the client's internal path, so a disabled client drops them too.
class PresetSignals {
public:
    using User = std::optional<std::string>;

    static void userAcquired(const std::string& channel, const ParameterMap& parameters = {},
                             User customUserID = {});
    static void leadStarted(const std::string& leadID, const ParameterMap& parameters = {},
                            User customUserID = {});
    static void leadConverted(const std::string& leadID, const ParameterMap& parameters = {},
                              User customUserID = {});
    static void onboardingCompleted(const ParameterMap& parameters = {}, User customUserID = {});
    static void coreFeatureUsed(const std::string& featureName, const ParameterMap& parameters = {},
                                User customUserID = {});
    static void referralSent(std::int64_t receiversCount = 1,
                             const std::optional<std::string>& kind = {},
                             const ParameterMap& parameters = {}, User customUserID = {});
    // Only 0 to 10 are sent; anything else is logged once and dropped.
    static void userRatingSubmitted(std::int64_t rating,
                                    const std::optional<std::string>& comment = {},
                                    const ParameterMap& parameters = {}, User customUserID = {});
    static void paywallShown(const std::string& reason, const ParameterMap& parameters = {},
                             User customUserID = {});
    static void errorOccurred(const std::string& id,
                              std::optional<ErrorCategory> category = std::nullopt,
                              const std::optional<std::string>& message = {},
                              const ParameterMap& parameters = {},
                              std::optional<double> floatValue = {}, User customUserID = {});
    // The message is the error's description.
    static void errorOccurred(const IdentifiableError& error,
                              ErrorCategory category = ErrorCategory::thrownException,
                              const ParameterMap& parameters = {},
                              std::optional<double> floatValue = {}, User customUserID = {});
    static void errorOccurred(const IdentifiableError& error, ErrorCategory category,
                              const std::optional<std::string>& message,
                              const ParameterMap& parameters = {},
                              std::optional<double> floatValue = {}, User customUserID = {});
    static void navigationPathChanged(const std::string& from, const std::string& to,
                                      User customUserID = {});
    // From the destination of the process's last navigation signal ("" at first).
    static void navigationPathChangedTo(const std::string& to, User customUserID = {});
    static std::optional<std::string> previousNavigationPath();
};

} // namespace keepsift::analytics
