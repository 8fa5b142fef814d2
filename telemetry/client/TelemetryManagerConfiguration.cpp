#include "telemetry/client/TelemetryManagerConfiguration.hpp"

#include <cstdlib>
#include <cstring>

#include "telemetry/client/Analytics.hpp"
#include "telemetry/client/CurlUploader.hpp"
#include "telemetry/client/Hashing.hpp"

namespace keepsift::analytics {

TelemetryManagerConfiguration::TelemetryManagerConfiguration(
    std::string appID, std::optional<std::string> salt, std::optional<std::string> baseURL,
    std::optional<std::string> ingestNamespace)
    : telemetryAppID(std::move(appID)), apiBaseURL(baseURL.value_or(defaultBaseURL)),
      ingestNamespace(std::move(ingestNamespace)), salt(salt.value_or("")),
      urlSession(CurlUploader::shared()), scheduler(sharedScheduler()),
      sessionID_(randomUUIDText()) {}

bool TelemetryManagerConfiguration::swiftUIPreviewMode() const {
    if (auto choice = previewModeChoice.get()) return *choice;
    const char* value = std::getenv("XCODE_RUNNING_FOR_PREVIEWS");
    return value != nullptr && std::strcmp(value, "1") == 0;
}

void TelemetryManagerConfiguration::setSessionID(std::string id) {
    sessionID_.set(std::move(id));
    if (sessionStatsEnabled.get()) {
        if (auto manager = sessionManager.get()) manager->startNewSession();
    }
    if (sendNewSessionBeganSignal.get())
        Analytics::internalSignal("Analytics.Session.started", {}, std::nullopt, std::nullopt);
}

void TelemetryManagerConfiguration::log(LogHandler::LogLevel level,
                                        const std::string& message) const {
    if (auto handler = logHandler.get()) handler->log(level, message);
}

} // namespace keepsift::analytics
