#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>

#include "telemetry/client/SignalCache.hpp"
#include "telemetry/client/TelemetryManagerConfiguration.hpp"
#include "telemetry/client/WorkQueue.hpp"

namespace keepsift::analytics {

// What the client's manager needs of the sending pipeline.
class SignalManageable {
public:
    virtual ~SignalManageable() = default;
    // Returns at once; the signal is cached shortly after on the client's own thread.
    virtual void processSignal(std::string type, ParameterMap parameters,
                               std::optional<double> floatValue,
                               std::optional<std::string> customUserID,
                               std::shared_ptr<TelemetryManagerConfiguration> configuration) = 0;
    // Sends one batch soon, on the sending thread.
    virtual void sendCachedSignals() = 0;
    // The shell's will-terminate notification: writes the cache to disk, without waiting
    // for an upload in flight.
    virtual void appWillTerminate() = 0;
};

// The sending pipeline: turns each signal into a record, caches it, and uploads the cache
// in batches of at most 100 on a one-shot timer whose interval doubles after each failed
// attempt. Two threads of its own: one processes signals, one sends. No failure reaches
// a caller; everything is logged through the configuration's handler.
class SignalManager : public SignalManageable, public std::enable_shared_from_this<SignalManager> {
public:
    // Creates the manager, loads the backup, sends one batch and arms the timer.
    static std::shared_ptr<SignalManager>
    start(std::shared_ptr<TelemetryManagerConfiguration> configuration);
    ~SignalManager() override;

    void processSignal(std::string type, ParameterMap parameters, std::optional<double> floatValue,
                       std::optional<std::string> customUserID,
                       std::shared_ptr<TelemetryManagerConfiguration> configuration) override;
    void sendCachedSignals() override;
    void appWillTerminate() override;

    // The configuration's default user, else the one kept in the client's suite (made and
    // kept on first use), else a new one each time when there is no suite.
    std::string defaultUserIdentifier() const;

    SignalCache& signalCache() { return signalCache_; }
    int consecutiveFailures() const { return consecutiveFailures_; }
    int sendCompletions() const { return sendCompletions_; }
    // Blocks until everything handed over so far has been processed, or sent.
    void waitUntilProcessed() { intake_.drain(); }
    void waitUntilSent() { sender_.drain(); }

    // Longest parameter key or value kept, in bytes; longer ones are cut at a character.
    static constexpr std::size_t longestParameterText = 16 * 1024;

private:
    struct Pending {
        std::string type;
        ParameterMap parameters;
        std::optional<double> floatValue;
        std::optional<std::string> customUserID;
        std::shared_ptr<TelemetryManagerConfiguration> configuration;
    };
    using Task = std::function<void()>;

    explicit SignalManager(std::shared_ptr<TelemetryManagerConfiguration> configuration);
    void process(Pending& pending);
    void sendBatch();
    void handleSendResponse(const UploadResult& result, std::vector<SignalPostBody> batch);
    void scheduleAfterSuccess();
    void requeueAfterFailure(std::vector<SignalPostBody> batch);
    void armTimer();
    void log(LogHandler::LogLevel level, const std::string& message) const;
    bool logs(LogHandler::LogLevel level) const;

    const std::shared_ptr<TelemetryManagerConfiguration> configuration_;
    SignalCache signalCache_;
    SharedDefaults sharedDefaults_;         // processing thread only
    std::optional<Scheduler::Token> timer_; // sending thread only
    std::shared_ptr<Scheduler> timerScheduler_;
    std::atomic<int> consecutiveFailures_ = 0;
    std::atomic<int> sendCompletions_ = 0;
    std::stop_source uploadStop_;
    WorkQueue<Pending> intake_;
    WorkQueue<Task> sender_;
};

} // namespace keepsift::analytics
