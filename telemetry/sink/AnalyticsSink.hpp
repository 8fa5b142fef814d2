#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "core/telemetry/TelemetrySink.hpp"
#include "telemetry/client/TelemetryManagerConfiguration.hpp"

namespace keepsift {

// The one sink that sends: each signal goes to the analytics client under its own name
// with its payload as parameters.
class AnalyticsSink : public TelemetrySink {
public:
    void send(const Signal& signal) override;
    // The client drops every signal and uploads nothing while the reporter's permission
    // is off.
    void setEnabled(bool enabled) override;

    // Starts the analytics client for the identifier: no salt, no namespace, no prefixes,
    // the ingestion base from Info.json (else the client's default). The client starts
    // silent until a reporter enables it.
    static void configure(const std::string& appID, bool testMode);
    // The configuration that configure starts the client with.
    static std::shared_ptr<analytics::TelemetryManagerConfiguration>
    makeConfiguration(const std::string& appID, bool testMode,
                      const std::optional<std::string>& baseURL);
    // The client's default sources with the version and build number of the information file.
    static std::shared_ptr<analytics::PayloadSources>
    bundlePayloadSources(const std::filesystem::path& infoFile);
};

} // namespace keepsift
