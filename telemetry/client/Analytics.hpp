#pragma once

#include <memory>
#include <optional>
#include <set>
#include <string>

#include "core/storage/UserDefaults.hpp"
#include "telemetry/client/DurationTracking.hpp"
#include "telemetry/client/TelemetryManager.hpp"

namespace keepsift::analytics {

// The analytics client's entry points. A signal call only checks, decorates and hands the
// signal over: it never waits on the disk or the network.
class Analytics {
public:
    static void initialize(std::shared_ptr<TelemetryManagerConfiguration> config);
    static void removeShared();
    static void beginNewSession();

    // Applies the configuration's prefixes, logs reserved names and hands the signal on;
    // dropped when analytics are disabled or in preview mode.
    static void signal(const std::string& name, const ParameterMap& parameters = {},
                       std::optional<double> floatValue = std::nullopt,
                       std::optional<std::string> customUserID = std::nullopt);
    // The client's own signals: no prefix on the name, no warnings for it.
    static void internalSignal(const std::string& name, const ParameterMap& parameters,
                               std::optional<double> floatValue,
                               std::optional<std::string> customUserID);

    static void beginDurationSignal(const std::string& name, const ParameterMap& parameters = {},
                                    bool includeBackgroundTime = false);
    static void discardDurationSignal(const std::string& name);
    static void finishDurationSignal(const std::string& name, const ParameterMap& parameters = {},
                                     std::optional<double> floatValue = std::nullopt,
                                     std::optional<std::string> customUserID = std::nullopt);
    // Where duration signals are measured.
    static void setDurationTracker(std::shared_ptr<DurationTracking> tracker);

    // The shell's notifications, for the shared manager.
    static void applicationWillTerminate();
    static void applicationDidBecomeActive();
    static void applicationWillResignActive();

    // The client's own defaults suite; nothing before a manager is installed.
    static std::shared_ptr<UserDefaults> suiteDefaults();
    // Lower-cased names the client itself uses for parameters.
    static const std::set<std::string, std::less<>>& reservedSignalNames();
};

// Every key not beginning with "Analytics." gets the prefix (none when unset).
ParameterMap prefixedParameterKeys(const ParameterMap& parameters,
                                   const std::optional<std::string>& prefix);

} // namespace keepsift::analytics
