#include "telemetry/client/SignalManager.hpp"

#include <cmath>

#include "core/support/Unicode.hpp"
#include "telemetry/client/ClientSuite.hpp"
#include "telemetry/client/Hashing.hpp"

namespace keepsift::analytics {
namespace {

using Level = LogHandler::LogLevel;
constexpr const char* userKey = "defaultUserIdentifier";

std::optional<LogHandler> cacheLogHandler(const TelemetryManagerConfiguration& configuration) {
    if (configuration.swiftUIPreviewMode()) return std::nullopt;
    return configuration.logHandler.get();
}

// Well-formed UTF-8 of bounded length: what the cache keeps is what its backup reads back.
std::string sanitised(const std::string& text) {
    std::string out = unicode::isWellFormed(text) ? text : unicode::wellFormed(text);
    if (out.size() <= SignalManager::longestParameterText) return out;
    std::size_t cut = SignalManager::longestParameterText;
    while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80)
        --cut;
    out.resize(cut);
    return out;
}

std::string describe(const SignalPostBody& record) {
    std::string text = "SignalPostBody(receivedAt: " + record.receivedAt.iso8601() +
                       ", type: " + record.type + ", clientUser: " + record.clientUser +
                       ", sessionID: " + record.sessionID;
    if (record.floatValue) text += ", floatValue: " + doubleText(*record.floatValue);
    return text + ", payload: " + std::to_string(record.payload.size()) +
           " parameters, isTestMode: " + record.isTestMode + ")";
}

} // namespace

SignalManager::SignalManager(std::shared_ptr<TelemetryManagerConfiguration> configuration)
    : configuration_(std::move(configuration)),
      signalCache_(cacheLogHandler(*configuration_), configuration_->cacheLimit.get(),
                   configuration_->cacheFile.get()),
      // Waiting signals beyond the cache limit would only push each other out of the cache.
      intake_([this](Pending& pending) { process(pending); },
              [this] {
                  const auto limit = configuration_->cacheLimit.get();
                  return limit < 1 ? std::size_t{1} : static_cast<std::size_t>(limit);
              }),
      sender_([](Task& task) { task(); }) {}

std::shared_ptr<SignalManager>
SignalManager::start(std::shared_ptr<TelemetryManagerConfiguration> configuration) {
    std::shared_ptr<SignalManager> manager(new SignalManager(std::move(configuration)));
    manager->sendCachedSignals();
    manager->sender_.push([raw = manager.get()] {
        raw->consecutiveFailures_ = 0;
        raw->armTimer();
    });
    return manager;
}

SignalManager::~SignalManager() {
    uploadStop_.request_stop();
    intake_.stop();
    sender_.stop();
    if (timer_ && timerScheduler_) timerScheduler_->cancel(*timer_);
}

void SignalManager::log(Level level, const std::string& message) const {
    configuration_->log(level, message);
}

bool SignalManager::logs(Level level) const {
    const auto handler = configuration_->logHandler.get();
    return handler && static_cast<int>(level) >= static_cast<int>(handler->logLevel);
}

void SignalManager::processSignal(std::string type, ParameterMap parameters,
                                  std::optional<double> floatValue,
                                  std::optional<std::string> customUserID,
                                  std::shared_ptr<TelemetryManagerConfiguration> configuration) {
    intake_.push(Pending{std::move(type), std::move(parameters), floatValue,
                         std::move(customUserID), std::move(configuration)});
}

std::string SignalManager::defaultUserIdentifier() const {
    if (auto user = configuration_->defaultUser.get()) return *user;
    const auto suite = openClientSuite(configuration_->telemetryAppID);
    if (!suite) return randomUUIDText();
    if (auto stored = suite->dataForKey(userKey); stored && !stored->empty())
        return unicode::wellFormed(*stored);
    std::string made = randomUUIDText();
    suite->setObject(made, userKey);
    return made;
}

void SignalManager::process(Pending& pending) {
    const TelemetryManagerConfiguration& c =
        pending.configuration ? *pending.configuration : *configuration_;
    const Date now = c.clock.get()->now();
    const auto sources = c.payloadSources.get();
    const auto sessions = c.sessionManager.get();
    auto defaults = sharedDefaults_.share(defaultSignalParameters(
        *sources, sessions ? sessions->statistics() : SessionStatistics{}, now));
    const std::optional<double> floatValue =
        pending.floatValue && std::isfinite(*pending.floatValue) ? pending.floatValue
                                                                 : std::nullopt;
    ParameterMap own;
    for (const auto& enricher : c.metadataEnrichers.get())
        if (enricher)
            for (auto& [key, value] :
                 enricher->parameters(pending.type, pending.customUserID, floatValue))
                own[sanitised(key)] = sanitised(value);
    for (const auto& [key, value] : pending.parameters)
        own[sanitised(key)] = sanitised(value);

    SignalPostBody record;
    record.receivedAt = now;
    record.appID = c.telemetryAppID;
    record.clientUser =
        sha256Hex(pending.customUserID ? *pending.customUserID : defaultUserIdentifier(), c.salt);
    record.sessionID = c.sessionID();
    record.type = sanitised(pending.type);
    record.floatValue = floatValue;
    record.payload = Payload(std::move(defaults), own);
    record.isTestMode = c.testMode() ? "true" : "false";
    if (logs(Level::debug)) log(Level::debug, "Process signal: " + describe(record));
    signalCache_.push(std::move(record));
}

void SignalManager::appWillTerminate() {
    log(Level::debug, "appWillTerminate()");
    signalCache_.saveToDisk();
}

} // namespace keepsift::analytics
