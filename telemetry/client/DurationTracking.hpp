#pragma once

#include <memory>
#include <optional>
#include <string>

#include "telemetry/client/Payload.hpp"

namespace keepsift::analytics {

// Measures named durations for the front's duration signals. This base measures nothing,
// so finishing sends nothing; the front's default is the real tracker.
class DurationTracking {
public:
    struct Finished {
        double elapsedSeconds = 0;
        ParameterMap parameters; // as recorded at the beginning
    };

    virtual ~DurationTracking() = default;
    virtual void begin(const std::string&, const ParameterMap&, bool /*includeBackground*/) {}
    virtual void discard(const std::string&) {}
    virtual std::optional<Finished> finish(const std::string&) { return std::nullopt; }
    // The shell's activation notifications.
    virtual void applicationDidBecomeActive() {}
    virtual void applicationWillResignActive() {}
};

} // namespace keepsift::analytics
