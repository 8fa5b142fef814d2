#include "telemetry/sink/AnalyticsSink.hpp"

#include "system/bundle/BundleInfo.hpp"
#include "telemetry/client/Analytics.hpp"

namespace keepsift {

void AnalyticsSink::send(const Signal& signal) {
    analytics::Analytics::signal(std::string(signal.name()), signal.payload());
}

void AnalyticsSink::setEnabled(bool enabled) {
    if (auto manager = analytics::TelemetryManager::shared())
        manager->configuration()->analyticsDisabled.set(!enabled);
}

void AnalyticsSink::configure(const std::string& appID, bool testMode) {
    analytics::Analytics::initialize(
        makeConfiguration(appID, testMode, loadAppConfig().analyticsBaseURL));
}

std::shared_ptr<analytics::TelemetryManagerConfiguration>
AnalyticsSink::makeConfiguration(const std::string& appID, bool testMode,
                                 const std::optional<std::string>& baseURL) {
    auto config = std::make_shared<analytics::TelemetryManagerConfiguration>(appID, std::nullopt,
                                                                             baseURL, std::nullopt);
    config->defaultSignalPrefix.set(std::nullopt);
    config->defaultParameterPrefix.set(std::nullopt);
    config->setTestMode(testMode);
    config->payloadSources.set(bundlePayloadSources(bundleInfoFile()));
    config->analyticsDisabled.set(true);
    return config;
}

std::shared_ptr<analytics::PayloadSources>
AnalyticsSink::bundlePayloadSources(const std::filesystem::path& infoFile) {
    auto sources = std::make_shared<analytics::PayloadSources>();
    sources->appVersion = bundleInfoText(infoFile, "CFBundleShortVersionString");
    sources->buildNumber = bundleInfoText(infoFile, "CFBundleVersion");
    return sources;
}

} // namespace keepsift
