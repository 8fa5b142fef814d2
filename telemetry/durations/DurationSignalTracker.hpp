#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "core/support/Date.hpp"
#include "telemetry/client/DurationTracking.hpp"

namespace keepsift::analytics {

// The timings in progress of the duration signals, one per signal name. Timings that leave
// out inactive time have their start moved forward by each inactive spell when the
// application becomes active again.
class DurationSignalTracker : public DurationTracking {
public:
    struct CachedData {
        Date startTime;
        ParameterMap parameters;
        bool includeBackgroundTime = false;
    };

    explicit DurationSignalTracker(std::function<Date()> now);

    void startTracking(const std::string& name, const ParameterMap& parameters,
                       bool includeBackgroundTime);
    std::optional<Finished> stopTracking(const std::string& name);
    void handleDidEnterBackgroundNotification();
    void handleWillEnterForegroundNotification();

    void begin(const std::string& name, const ParameterMap& parameters,
               bool includeBackground) override {
        startTracking(name, parameters, includeBackground);
    }
    void discard(const std::string& name) override { stopTracking(name); }
    std::optional<Finished> finish(const std::string& name) override { return stopTracking(name); }
    void applicationDidBecomeActive() override { handleWillEnterForegroundNotification(); }
    void applicationWillResignActive() override { handleDidEnterBackgroundNotification(); }

private:
    std::function<Date()> now_;
    std::mutex queue_; // every read and change of the two fields below
    std::map<std::string, CachedData> startedSignals_;
    std::optional<Date> lastEnteredBackground_;
};

} // namespace keepsift::analytics
