#include "telemetry/client/SharedSessionManager.hpp"

#include "core/support/Logger.hpp"
#include "telemetry/client/Analytics.hpp"
#include "telemetry/device/CalendarFacts.hpp"
#include "telemetry/sessions/SessionManager.hpp"

namespace keepsift::analytics {
namespace {

std::shared_ptr<TelemetryManagerConfiguration> installedConfiguration() {
    return TelemetryManager::sharedConfiguration();
}

SessionManagerServices clientServices() {
    SessionManagerServices services;
    services.defaults = [] { return Analytics::suiteDefaults(); };
    services.now = [] {
        const auto c = installedConfiguration();
        return c ? c->clock.get()->now() : Date::now();
    };
    services.scheduler = [] {
        const auto c = installedConfiguration();
        return c ? c->scheduler.get() : sharedScheduler();
    };
    services.dayText = [](Date moment) {
        const auto c = installedConfiguration();
        const auto sources = c ? c->payloadSources.get() : nullptr;
        const int offset = sources && sources->offsetSeconds ? sources->offsetSeconds(moment)
                                                             : localOffsetSeconds(moment);
        return fullDateText(moment, offset);
    };
    services.sendSignal = [](const std::string& name, const ParameterMap& parameters) {
        Analytics::internalSignal(name, parameters, std::nullopt, std::nullopt);
    };
    services.log = [](LogHandler::LogLevel level, const std::string& message) {
        if (const auto c = installedConfiguration())
            c->log(level, message);
        else if (level == LogHandler::LogLevel::error)
            Logger("Analytics", "SessionManager").error(message);
        else
            Logger("Analytics", "SessionManager").debug(message);
    };
    return services;
}

// Hands every call to the shared manager, making it on the first call.
class SharedHandle : public SessionManaging {
public:
    void startNewSession() override { sharedSessionManager()->startNewSession(); }
    SessionStatistics statistics() const override { return sharedSessionManager()->statistics(); }
    void applicationDidBecomeActive() override {
        sharedSessionManager()->applicationDidBecomeActive();
    }
    void applicationWillResignActive() override {
        sharedSessionManager()->applicationWillResignActive();
    }
};

} // namespace

std::shared_ptr<SessionManager> sharedSessionManager() {
    static const std::shared_ptr<SessionManager> shared = SessionManager::make(clientServices());
    return shared;
}

std::shared_ptr<SessionManaging> sharedSessionManagerHandle() {
    static const std::shared_ptr<SessionManaging> handle = std::make_shared<SharedHandle>();
    return handle;
}

} // namespace keepsift::analytics
