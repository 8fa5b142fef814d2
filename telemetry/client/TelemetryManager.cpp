#include "telemetry/client/TelemetryManager.hpp"

#include <shared_mutex>

#include "telemetry/client/Analytics.hpp"
#include "telemetry/client/Hashing.hpp"

namespace keepsift::analytics {
namespace {

struct Storage {
    std::shared_mutex lock;
    std::shared_ptr<TelemetryManager> manager;
};

Storage& storage() {
    static Storage instance;
    return instance;
}

Date now(const TelemetryManagerConfiguration& configuration) {
    return configuration.clock.get()->now();
}

} // namespace

TelemetryManager::TelemetryManager(std::shared_ptr<TelemetryManagerConfiguration> configuration)
    : signalManager_(SignalManager::start(configuration)),
      configuration_(std::move(configuration)) {
    if (auto scheduler = configuration_->scheduler.get())
        scheduler->after(0.5, [] { TelemetryManager::beginNewSession(); });
}

std::shared_ptr<TelemetryManager> TelemetryManager::shared() {
    {
        std::shared_lock guard(storage().lock);
        if (storage().manager) return storage().manager;
    }
    const char* preview = std::getenv("XCODE_RUNNING_FOR_PREVIEWS");
    if (preview == nullptr || std::string_view(preview) != "1") return nullptr;
    auto made =
        std::make_shared<TelemetryManager>(std::make_shared<TelemetryManagerConfiguration>(""));
    std::unique_lock guard(storage().lock);
    if (!storage().manager) storage().manager = std::move(made);
    return storage().manager;
}

std::shared_ptr<TelemetryManagerConfiguration> TelemetryManager::sharedConfiguration() {
    {
        std::shared_lock guard(storage().lock);
        if (storage().manager) return storage().manager->configuration();
    }
    const auto manager = shared(); // preview mode keeps the one it makes
    return manager ? manager->configuration() : nullptr;
}

bool TelemetryManager::hasSharedManager() {
    std::shared_lock guard(storage().lock);
    return storage().manager != nullptr;
}

void TelemetryManager::install(std::shared_ptr<TelemetryManagerConfiguration> configuration) {
    auto manager = std::make_shared<TelemetryManager>(std::move(configuration));
    std::shared_ptr<TelemetryManager> replaced;
    std::unique_lock guard(storage().lock);
    replaced = std::exchange(storage().manager, std::move(manager));
    guard.unlock();
}

void TelemetryManager::removeShared() {
    std::shared_ptr<TelemetryManager> removed;
    std::unique_lock guard(storage().lock);
    removed = std::exchange(storage().manager, nullptr);
    guard.unlock();
}

void TelemetryManager::beginNewSession() {
    if (auto manager = shared()) manager->configuration()->setSessionID(randomUUIDText());
}

void TelemetryManager::setDefaultUser(std::optional<std::string> user) {
    if (auto manager = shared()) manager->configuration()->defaultUser.set(std::move(user));
}

void TelemetryManager::send(const std::string& name, const ParameterMap& parameters,
                            std::optional<double> floatValue,
                            std::optional<std::string> customUserID) {
    if (shared()) Analytics::signal(name, parameters, floatValue, std::move(customUserID));
}

void TelemetryManager::requestSharedPromptSend() {
    if (auto manager = shared()) manager->requestPromptSend();
}

std::shared_ptr<TelemetryManagerConfiguration> TelemetryManager::configuration() const {
    std::lock_guard guard(lock_);
    return configuration_;
}

std::string TelemetryManager::hashedDefaultUser() const {
    return sha256Hex(signalManager_->defaultUserIdentifier(), configuration()->salt);
}

void TelemetryManager::requestPromptSend() {
    const auto c = configuration();
    const Date current = now(*c);
    {
        std::lock_guard guard(lock_);
        // A clock set back behind the last request does not block prompt sends until it
        // catches up again.
        const double since = current.since(lastTimeImmediateSyncRequested_);
        if (since >= 0 && since <= c->transmitInterval.get()) return;
        lastTimeImmediateSyncRequested_ = current;
    }
    if (auto scheduler = c->scheduler.get())
        scheduler->after(0.05, [weak = std::weak_ptr<SignalManager>(signalManager_)] {
            if (auto manager = weak.lock()) manager->sendCachedSignals();
        });
}

void TelemetryManager::didEnterBackground() {
    const Date current = now(*configuration());
    std::lock_guard guard(lock_);
    lastDateAppEnteredBackground_ = current;
}

void TelemetryManager::willEnterForeground() {
    const Date current = now(*configuration());
    Date background;
    {
        std::lock_guard guard(lock_);
        background = lastDateAppEnteredBackground_;
    }
    if (background.adding(300) < current) beginNewSession();
}

void TelemetryManager::applicationWillTerminate() {
    signalManager_->appWillTerminate();
}

void TelemetryManager::applicationDidBecomeActive() {
    if (auto sessions = configuration()->sessionManager.get())
        sessions->applicationDidBecomeActive();
}

void TelemetryManager::applicationWillResignActive() {
    if (auto sessions = configuration()->sessionManager.get())
        sessions->applicationWillResignActive();
}

} // namespace keepsift::analytics
