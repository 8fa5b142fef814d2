#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "core/support/Date.hpp"
#include "telemetry/client/SignalManager.hpp"

namespace keepsift::analytics {

// The process-wide analytics client: its configuration and its sending pipeline.
class TelemetryManager {
public:
    // Starts the pipeline and, half a second later, the first session.
    explicit TelemetryManager(std::shared_ptr<TelemetryManagerConfiguration> configuration);

    // The installed manager; in preview mode one is made for an empty identifier. Nothing
    // before Analytics::initialize outside preview mode.
    static std::shared_ptr<TelemetryManager> shared();
    static bool hasSharedManager();
    // The shared manager's configuration. Takes no reference to the manager itself, so that a
    // client thread never ends up holding the last one (its destruction joins those threads).
    static std::shared_ptr<TelemetryManagerConfiguration> sharedConfiguration();
    static void install(std::shared_ptr<TelemetryManagerConfiguration> configuration);
    static void removeShared();
    // These act on the shared manager even when called on a manager (manager->send(...)),
    // so one static function serves both forms.
    // A new random session identifier for the shared manager's configuration.
    static void beginNewSession();
    static void setDefaultUser(std::optional<std::string> user);
    // Forwards to Analytics::signal; nothing when no manager is installed.
    static void send(const std::string& name, const ParameterMap& parameters = {},
                     std::optional<double> floatValue = std::nullopt,
                     std::optional<std::string> customUserID = std::nullopt);
    // The shared manager's prompt send.
    static void requestSharedPromptSend();

    std::shared_ptr<TelemetryManagerConfiguration> configuration() const;
    SignalManageable& signalManager() { return *signalManager_; }
    std::string hashedDefaultUser() const;

    // Asks for the cache to be sent soon, at most once per transmit interval.
    void requestPromptSend();
    void willEnterForeground();
    void didEnterBackground();

    // The shell's notifications.
    void applicationWillTerminate();
    void applicationDidBecomeActive();
    void applicationWillResignActive();

private:
    std::shared_ptr<SignalManager> signalManager_;
    mutable std::mutex lock_;
    std::shared_ptr<TelemetryManagerConfiguration> configuration_;
    Date lastTimeImmediateSyncRequested_ = Date::distantPast();
    Date lastDateAppEnteredBackground_ = Date::distantPast();
};

} // namespace keepsift::analytics
