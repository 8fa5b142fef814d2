#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/storage/UserDefaults.hpp"
#include "core/support/Date.hpp"
#include "telemetry/client/LogHandler.hpp"
#include "telemetry/client/Payload.hpp"
#include "telemetry/client/Scheduler.hpp"
#include "telemetry/client/SessionManaging.hpp"
#include "telemetry/client/WorkQueue.hpp"
#include "telemetry/sessions/StoredSession.hpp"

namespace keepsift::analytics {

// What the session manager reaches outside itself; each is looked up when it is needed.
struct SessionManagerServices {
    // Nothing means no store: reads give empty values and writes are skipped.
    std::function<std::shared_ptr<UserDefaults>()> defaults;
    std::function<Date()> now;
    std::function<std::shared_ptr<Scheduler>()> scheduler;
    // "yyyy-MM-dd" of the moment in the user's time zone.
    std::function<std::string(Date)> dayText;
    std::function<void(const std::string& name, const ParameterMap& parameters)> sendSignal;
    std::function<void(LogHandler::LogLevel level, const std::string& message)> log;
};

// The client's memory of how the application is used: the foreground time of the current
// session, 90 days of sessions, the days used and the new-install signal. Every defaults
// write runs on its own serial queue, in submission order.
class SessionManager : public SessionManaging, public std::enable_shared_from_this<SessionManager> {
public:
    static constexpr double timerInterval = 1.0;
    static constexpr const char* newInstallSignal = "Analytics.Acquisition.newInstallDetected";
    static constexpr const char* firstSessionDateParameter =
        "Analytics.Acquisition.firstSessionDate";

    // Loads the history and records today.
    static std::shared_ptr<SessionManager> make(SessionManagerServices services);
    ~SessionManager() override;

    void startNewSession() override;
    SessionStatistics statistics() const override;
    // Resume and pause of the duration measurement.
    void applicationDidBecomeActive() override;
    void applicationWillResignActive() override;

    // Adds the time since the last update and stores the session once it reached a second.
    void updateSessionDuration();

    std::vector<StoredSession> recentSessions() const;
    std::int64_t totalSessionsCount() const;
    // The sessions before the one in progress, on average; the one session alone; or -1.
    std::int64_t averageSessionSeconds() const;
    std::vector<std::string> distinctDaysUsed() const;
    std::size_t distinctDaysUsedCount(const std::string& since) const;

    bool isMeasuring() const;
    // Blocks until every defaults write submitted so far is done.
    void waitUntilPersisted();

private:
    struct Capture {
        Date startedAt;
        std::int64_t seconds;
    };

    explicit SessionManager(SessionManagerServices services);
    void loadHistory();
    void recordDay();
    std::shared_ptr<UserDefaults> defaults() const;
    void persist(std::function<void(UserDefaults&)> write);

    std::optional<Capture> updateLocked(Date now);
    void cancelTimerLocked();
    // Cancels the timer and forgets the last update: time until the next start is not counted.
    void stopTimerLocked();
    void startTimerLocked();
    void tick(std::uint64_t generation);
    void store(Capture capture);

    SessionManagerServices services_;

    mutable std::mutex sessionsLock_;
    std::vector<StoredSession> unsafeRecentSessions_;

    // The duration fields and the timer: the scheduler's thread and the shell's both reach
    // them.
    mutable std::mutex clockLock_;
    Date currentSessionStartedAt_ = Date::distantPast();
    double currentSessionDuration_ = 0;
    std::optional<Date> sessionDurationLastUpdatedAt_;
    std::uint64_t timerGeneration_ = 0;
    bool timerRunning_ = false;
    std::shared_ptr<Scheduler> timerScheduler_;
    Scheduler::Token timerToken_ = 0;

    WorkQueue<std::function<void()>> persistenceQueue_{[](auto& write) { write(); }};
};

} // namespace keepsift::analytics
