#include "telemetry/client/Analytics.hpp"

#include <cmath>

#include "core/support/Unicode.hpp"
#include "telemetry/client/ClientSuite.hpp"
#include "telemetry/client/ReservedNames.hpp"
#include "telemetry/durations/DurationSignalTracker.hpp"

namespace keepsift::analytics {
namespace {

using Level = LogHandler::LogLevel;

const std::string reservedPrefixWarning =
    "Sending signal with reserved prefix 'Analytics.' will cause unexpected behavior. Please "
    "use another prefix instead.";
const std::string reservedParameterPrefixWarning =
    "Sending parameter with reserved key prefix 'Analytics.' will cause unexpected behavior. "
    "Please use another prefix instead.";

bool hasReservedPrefix(const std::string& lowered) {
    return lowered.starts_with("analytics.");
}

void warnAboutKey(const TelemetryManagerConfiguration& c, const std::string& key) {
    const std::string lowered = unicode::lowercased(key);
    if (hasReservedPrefix(lowered))
        c.log(Level::error, reservedParameterPrefixWarning);
    else if (Analytics::reservedSignalNames().contains(lowered))
        c.log(Level::error, "Sending parameter with reserved key '" + key +
                                "' will cause unexpected behavior. Please use another key "
                                "instead.");
}

void warnAboutName(const TelemetryManagerConfiguration& c, const std::string& name) {
    const std::string lowered = unicode::lowercased(name);
    if (hasReservedPrefix(lowered))
        c.log(Level::error, reservedPrefixWarning);
    else if (Analytics::reservedSignalNames().contains(lowered))
        c.log(Level::error, "Sending signal with reserved name '" + name +
                                "' will cause unexpected behavior. Please use another name "
                                "instead.");
}

bool drops(const TelemetryManagerConfiguration& c) {
    return c.swiftUIPreviewMode() || c.analyticsDisabled.get();
}

// Durations follow the installed client's clock, the wall clock before there is one.
Date durationNow() {
    const auto c = TelemetryManager::sharedConfiguration();
    return c ? c->clock.get()->now() : Date::now();
}

Guarded<std::shared_ptr<DurationTracking>>& durationTracker() {
    static Guarded<std::shared_ptr<DurationTracking>> tracker{
        std::make_shared<DurationSignalTracker>(&durationNow)};
    return tracker;
}

std::string millisecondsFloorText(double seconds) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.3f", std::floor(seconds * 1000.0) / 1000.0);
    std::string text = buffer;
    while (text.back() == '0' && text[text.size() - 2] != '.')
        text.pop_back();
    return text;
}

} // namespace

ParameterMap prefixedParameterKeys(const ParameterMap& parameters,
                                   const std::optional<std::string>& prefix) {
    if (!prefix || prefix->empty()) return parameters;
    ParameterMap prefixed;
    for (const auto& [key, value] : parameters)
        prefixed[key.starts_with("Analytics.") ? key : *prefix + key] = value;
    return prefixed;
}

const std::set<std::string, std::less<>>& Analytics::reservedSignalNames() {
    static const std::set<std::string, std::less<>> names = [] {
        std::set<std::string, std::less<>> lowered;
        for (const std::string_view name : reservedNames)
            lowered.insert(unicode::lowercased(name));
        return lowered;
    }();
    return names;
}

void Analytics::initialize(std::shared_ptr<TelemetryManagerConfiguration> config) {
    TelemetryManager::install(std::move(config));
}

void Analytics::removeShared() {
    TelemetryManager::removeShared();
}

void Analytics::beginNewSession() {
    TelemetryManager::beginNewSession();
}

void Analytics::signal(const std::string& name, const ParameterMap& parameters,
                       std::optional<double> floatValue, std::optional<std::string> customUserID) {
    const auto manager = TelemetryManager::shared();
    if (!manager) return;
    const auto c = manager->configuration();
    if (drops(*c)) return;
    const std::string prefixedName = c->defaultSignalPrefix.get().value_or("") + name;
    ParameterMap prefixed = prefixedParameterKeys(parameters, c->defaultParameterPrefix.get());
    if (c->reservedParameterWarningsEnabled.get()) {
        warnAboutName(*c, prefixedName);
        for (const auto& [key, value] : prefixed)
            warnAboutKey(*c, key);
    }
    internalSignal(prefixedName, prefixed, floatValue, std::move(customUserID));
}

void Analytics::internalSignal(const std::string& name, const ParameterMap& parameters,
                               std::optional<double> floatValue,
                               std::optional<std::string> customUserID) {
    const auto manager = TelemetryManager::shared();
    if (!manager) return;
    const auto c = manager->configuration();
    if (drops(*c)) return;
    const auto defaults = c->defaultParameters.get();
    ParameterMap merged = prefixedParameterKeys(defaults ? defaults() : ParameterMap{},
                                                c->defaultParameterPrefix.get());
    for (const auto& [key, value] : merged)
        warnAboutKey(*c, key);
    for (const auto& [key, value] : parameters)
        merged[key] = value;
    manager->signalManager().processSignal(name, std::move(merged), floatValue,
                                           std::move(customUserID), c);
}

void Analytics::beginDurationSignal(const std::string& name, const ParameterMap& parameters,
                                    bool includeBackgroundTime) {
    if (auto tracker = durationTracker().get())
        tracker->begin(name, parameters, includeBackgroundTime);
}

void Analytics::discardDurationSignal(const std::string& name) {
    if (auto tracker = durationTracker().get()) tracker->discard(name);
}

void Analytics::finishDurationSignal(const std::string& name, const ParameterMap& parameters,
                                     std::optional<double> floatValue,
                                     std::optional<std::string> customUserID) {
    const auto tracker = durationTracker().get();
    if (!tracker) return;
    const auto finished = tracker->finish(name);
    if (!finished) return;
    ParameterMap all{
        {"Analytics.Signal.durationInSeconds", millisecondsFloorText(finished->elapsedSeconds)}};
    for (const auto& [key, value] : finished->parameters)
        all[key] = value;
    for (const auto& [key, value] : parameters)
        all[key] = value;
    internalSignal(name, all, floatValue, std::move(customUserID));
}

void Analytics::setDurationTracker(std::shared_ptr<DurationTracking> tracker) {
    durationTracker().set(std::move(tracker));
}

void Analytics::applicationWillTerminate() {
    if (auto manager = TelemetryManager::shared()) manager->applicationWillTerminate();
}

void Analytics::applicationDidBecomeActive() {
    if (auto tracker = durationTracker().get()) tracker->applicationDidBecomeActive();
    if (auto manager = TelemetryManager::shared()) manager->applicationDidBecomeActive();
}

void Analytics::applicationWillResignActive() {
    if (auto tracker = durationTracker().get()) tracker->applicationWillResignActive();
    if (auto manager = TelemetryManager::shared()) manager->applicationWillResignActive();
}

std::shared_ptr<UserDefaults> Analytics::suiteDefaults() {
    const auto c = TelemetryManager::sharedConfiguration();
    if (!c) return nullptr;
    return openClientSuite(c->telemetryAppID);
}

} // namespace keepsift::analytics
