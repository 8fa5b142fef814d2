#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/model/Clock.hpp"
#include "telemetry/client/DefaultSignalPayload.hpp"
#include "telemetry/client/Guarded.hpp"
#include "telemetry/client/LogHandler.hpp"
#include "telemetry/client/Scheduler.hpp"
#include "telemetry/client/SharedSessionManager.hpp"
#include "telemetry/client/SignalEnricher.hpp"
#include "telemetry/client/Uploader.hpp"

namespace keepsift::analytics {

// Every setting of the analytics client. Shared: whoever holds it sees later changes; each
// field is read and written whole from any thread.
class TelemetryManagerConfiguration {
public:
    // The service's ingestion base when neither the caller nor Info.json names one.
    static constexpr const char* defaultBaseURL = "https://analytics.ambervale.com/";

    explicit TelemetryManagerConfiguration(
        std::string appID, std::optional<std::string> salt = std::nullopt,
        std::optional<std::string> baseURL = std::nullopt,
        std::optional<std::string> ingestNamespace = std::nullopt);

    const std::string telemetryAppID;
    const std::string apiBaseURL;
    const std::optional<std::string> ingestNamespace;
    const std::string salt;

    Guarded<std::optional<std::string>> defaultUser;
    Guarded<std::optional<std::string>> defaultSignalPrefix;
    Guarded<std::optional<std::string>> defaultParameterPrefix;
    Guarded<std::function<ParameterMap()>> defaultParameters{[] { return ParameterMap{}; }};
    Guarded<bool> sendNewSessionBeganSignal{true};
    Guarded<std::shared_ptr<Uploader>> urlSession;
    Guarded<std::int64_t> cacheLimit{10000};
    Guarded<double> transmitInterval{10.0};
    Guarded<double> maxBackoffInterval{300.0};
    Guarded<bool> sendSignalsInDebugConfiguration{false};
    Guarded<std::optional<bool>> testModeChoice;
    Guarded<std::optional<bool>> previewModeChoice;
    Guarded<bool> analyticsDisabled{false};
    Guarded<bool> reservedParameterWarningsEnabled{true};
    Guarded<bool> sessionStatsEnabled{true};
    Guarded<bool> showDebugLogs{false};
    Guarded<std::optional<LogHandler>> logHandler{LogHandler::makeDefault()};
    Guarded<std::vector<std::shared_ptr<SignalEnricher>>> metadataEnrichers;

    // What stands in for the platform's services; tests replace them.
    Guarded<std::shared_ptr<Scheduler>> scheduler;
    Guarded<std::shared_ptr<Clock>> clock{std::make_shared<SystemClock>()};
    Guarded<std::shared_ptr<SessionManaging>> sessionManager{sharedSessionManagerHandle()};
    Guarded<std::shared_ptr<const PayloadSources>> payloadSources{
        std::make_shared<const PayloadSources>()};
    // The disk backup; nothing means the user's cache folder.
    Guarded<std::optional<std::filesystem::path>> cacheFile;

    bool testMode() const { return testModeChoice.get().value_or(false); }
    void setTestMode(bool on) { testModeChoice.set(on); }
    // The stored choice, else whether XCODE_RUNNING_FOR_PREVIEWS is "1".
    bool swiftUIPreviewMode() const;
    void setSwiftUIPreviewMode(bool on) { previewModeChoice.set(on); }

    std::string sessionID() const { return sessionID_.get(); }
    // Starts a new session in the session manager (when session statistics are on) and
    // sends "Analytics.Session.started" (when that is on).
    void setSessionID(std::string id);

    // Logs through the current handler, when there is one.
    void log(LogHandler::LogLevel level, const std::string& message) const;

private:
    Guarded<std::string> sessionID_;
};

} // namespace keepsift::analytics
