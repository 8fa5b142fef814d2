#pragma once

#include <optional>
#include <string>

#include "telemetry/client/Payload.hpp"

namespace keepsift::analytics {

// Adds parameters to every signal; called on the client's processing thread.
class SignalEnricher {
public:
    virtual ~SignalEnricher() = default;
    virtual ParameterMap parameters(const std::string& signalType,
                                    const std::optional<std::string>& clientUser,
                                    std::optional<double> floatValue) = 0;
};

} // namespace keepsift::analytics
