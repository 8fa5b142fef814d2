#include "telemetry/sessions/SessionManager.hpp"

#include <algorithm>
#include <cmath>

#include "core/support/Checked.hpp"
#include "core/support/Json.hpp"
#include "telemetry/sessions/SessionHistory.hpp"
#include "telemetry/sessions/SuiteValues.hpp"

namespace keepsift::analytics {
namespace {

const std::string recentSessionsKey = "recentSessions";
const std::string deletedSessionsCountKey = "deletedSessionsCount";
const std::string firstSessionDateKey = "firstSessionDate";
const std::string distinctDaysUsedKey = "distinctDaysUsed";

constexpr double minimumStoredDuration = 1.0;

void writeSessions(UserDefaults& defaults, const std::vector<StoredSession>& sessions) {
    defaults.setObject(encodeSessions(sessions), recentSessionsKey);
}

} // namespace

std::shared_ptr<SessionManager> SessionManager::make(SessionManagerServices services) {
    return std::shared_ptr<SessionManager>(new SessionManager(std::move(services)));
}

SessionManager::SessionManager(SessionManagerServices services) : services_(std::move(services)) {
    loadHistory();
    recordDay();
}

SessionManager::~SessionManager() {
    {
        std::lock_guard guard(clockLock_);
        stopTimerLocked();
    }
    persistenceQueue_.drain();
}

std::shared_ptr<UserDefaults> SessionManager::defaults() const {
    return services_.defaults ? services_.defaults() : nullptr;
}

void SessionManager::persist(std::function<void(UserDefaults&)> write) {
    persistenceQueue_.push([this, write = std::move(write)] {
        if (auto store = defaults()) write(*store);
    });
}

// The trimmed list is written in the same step as the grown count: otherwise every launch
// that ends before the first store counts the same aged-out sessions again.
void SessionManager::loadHistory() {
    const auto store = defaults();
    if (!store) return;
    const auto data = store->dataForKey(recentSessionsKey);
    if (!data) return;
    std::vector<StoredSession> decoded;
    try {
        decoded = decodeSessions(*data);
    } catch (const JsonError& error) {
        services_.log(LogHandler::LogLevel::error,
                      std::string("session history cannot be read: ") + error.what());
        return;
    }
    TrimmedHistory history = trimHistory(decoded, services_.now());
    const std::int64_t dropped = history.dropped();
    // Ageing out is the ordinary course; only impossible or surplus sessions are bad input.
    if (history.future > 0 || history.overLimit > 0)
        services_.log(LogHandler::LogLevel::error, history.summary());
    else if (dropped > 0)
        services_.log(LogHandler::LogLevel::debug, history.summary());
    {
        std::lock_guard guard(sessionsLock_);
        unsafeRecentSessions_ = history.kept;
    }
    persist([dropped, kept = std::move(history.kept)](UserDefaults& defaults) {
        if (dropped > 0) writeSessions(defaults, kept);
        const std::int64_t before = suite::integer(defaults, deletedSessionsCountKey).value_or(0);
        suite::setInteger(defaults, deletedSessionsCountKey, saturatingAdd(before, dropped));
    });
}

void SessionManager::recordDay() {
    const std::string today = services_.dayText(services_.now());
    std::vector<std::string> days = distinctDaysUsed();
    if (!days.empty() && days.back() == today) return;
    days.push_back(today);
    persist([days = std::move(days)](UserDefaults& defaults) {
        suite::setTexts(defaults, distinctDaysUsedKey, days);
    });
}

void SessionManager::startNewSession() {
    const Date now = services_.now();
    bool newInstall;
    {
        std::lock_guard guard(sessionsLock_);
        newInstall = unsafeRecentSessions_.empty();
    }
    if (newInstall) {
        const std::string day = services_.dayText(now);
        persist(
            [day](UserDefaults& defaults) { suite::setText(defaults, firstSessionDateKey, day); });
        services_.sendSignal(newInstallSignal, {{firstSessionDateParameter, day}});
    }
    std::lock_guard guard(clockLock_);
    stopTimerLocked();
    currentSessionStartedAt_ = now;
    currentSessionDuration_ = 0;
    // Measured even when no window is active yet: a tray application starts that way, and a
    // launch that stored no session would announce a new install again next time.
    sessionDurationLastUpdatedAt_ = now;
    startTimerLocked();
}

void SessionManager::updateSessionDuration() {
    std::optional<Capture> capture;
    {
        std::lock_guard guard(clockLock_);
        capture = updateLocked(services_.now());
    }
    if (capture) store(*capture);
}

std::optional<SessionManager::Capture> SessionManager::updateLocked(Date now) {
    if (sessionDurationLastUpdatedAt_)
        currentSessionDuration_ += now.since(*sessionDurationLastUpdatedAt_);
    sessionDurationLastUpdatedAt_ = now;
    if (!(currentSessionDuration_ >= minimumStoredDuration)) return std::nullopt;
    // Beyond int64 only after some 292 billion years of foreground time.
    return Capture{currentSessionStartedAt_,
                   static_cast<std::int64_t>(std::trunc(currentSessionDuration_))};
}

void SessionManager::store(Capture capture) {
    persistenceQueue_.push([this, capture] {
        std::vector<StoredSession> copy;
        {
            std::lock_guard guard(sessionsLock_);
            auto& sessions = unsafeRecentSessions_;
            auto found = std::find_if(sessions.rbegin(), sessions.rend(), [&](const auto& s) {
                return s.startedAt == capture.startedAt;
            });
            if (found != sessions.rend())
                found->durationInSeconds = capture.seconds;
            else
                sessions.push_back({capture.startedAt, capture.seconds});
            copy = sessions;
        }
        if (auto store = defaults()) writeSessions(*store, copy);
    });
}

void SessionManager::applicationWillResignActive() {
    std::optional<Capture> capture;
    {
        std::lock_guard guard(clockLock_);
        if (sessionDurationLastUpdatedAt_) capture = updateLocked(services_.now());
        stopTimerLocked();
    }
    if (capture) store(*capture);
}

void SessionManager::applicationDidBecomeActive() {
    std::optional<Capture> capture;
    {
        std::lock_guard guard(clockLock_);
        if (currentSessionStartedAt_ == Date::distantPast()) return; // no session yet
        capture = updateLocked(services_.now());
        cancelTimerLocked();
        startTimerLocked();
    }
    if (capture) store(*capture);
}

void SessionManager::cancelTimerLocked() {
    ++timerGeneration_;
    if (timerRunning_ && timerScheduler_) timerScheduler_->cancel(timerToken_);
    timerRunning_ = false;
    timerScheduler_.reset();
}

void SessionManager::stopTimerLocked() {
    cancelTimerLocked();
    sessionDurationLastUpdatedAt_.reset();
}

void SessionManager::startTimerLocked() {
    timerScheduler_ = services_.scheduler ? services_.scheduler() : nullptr;
    if (!timerScheduler_) return;
    timerRunning_ = true;
    const std::uint64_t generation = timerGeneration_;
    timerToken_ = timerScheduler_->after(timerInterval, [weak = weak_from_this(), generation] {
        if (auto self = weak.lock()) self->tick(generation);
    });
}

// One tick re-arms the next; a stop in between makes the tick and its successor void.
void SessionManager::tick(std::uint64_t generation) {
    std::optional<Capture> capture;
    {
        std::lock_guard guard(clockLock_);
        if (generation != timerGeneration_ || !timerRunning_) return;
        capture = updateLocked(services_.now());
        startTimerLocked();
    }
    if (capture) store(*capture);
}

bool SessionManager::isMeasuring() const {
    std::lock_guard guard(clockLock_);
    return timerRunning_;
}

void SessionManager::waitUntilPersisted() {
    persistenceQueue_.drain();
}

std::vector<StoredSession> SessionManager::recentSessions() const {
    std::lock_guard guard(sessionsLock_);
    return unsafeRecentSessions_;
}

std::int64_t SessionManager::totalSessionsCount() const {
    std::int64_t count;
    {
        std::lock_guard guard(sessionsLock_);
        count = static_cast<std::int64_t>(unsafeRecentSessions_.size());
    }
    const auto store = defaults();
    if (!store) return count;
    return saturatingAdd(count, suite::integer(*store, deletedSessionsCountKey).value_or(0));
}

std::int64_t SessionManager::averageSessionSeconds() const {
    std::lock_guard guard(sessionsLock_);
    const auto& sessions = unsafeRecentSessions_;
    if (sessions.empty()) return -1;
    if (sessions.size() == 1) return sessions.front().durationInSeconds;
    std::int64_t sum = 0;
    for (std::size_t i = 0; i + 1 < sessions.size(); ++i)
        sum = saturatingAdd(sum, sessions[i].durationInSeconds);
    return sum / static_cast<std::int64_t>(sessions.size() - 1);
}

std::vector<std::string> SessionManager::distinctDaysUsed() const {
    const auto store = defaults();
    if (!store) return {};
    return suite::texts(*store, distinctDaysUsedKey).value_or(std::vector<std::string>{});
}

std::size_t SessionManager::distinctDaysUsedCount(const std::string& since) const {
    const auto days = distinctDaysUsed();
    return static_cast<std::size_t>(
        std::count_if(days.begin(), days.end(), [&](const auto& day) { return day >= since; }));
}

SessionStatistics SessionManager::statistics() const {
    SessionStatistics statistics;
    if (auto store = defaults())
        statistics.firstSessionDate = suite::text(*store, firstSessionDateKey);
    statistics.averageSessionSeconds = averageSessionSeconds();
    statistics.distinctDaysUsed = distinctDaysUsed();
    statistics.totalSessionsCount = totalSessionsCount();
    const auto sessions = recentSessions();
    if (sessions.size() >= 2)
        statistics.previousSessionSeconds = sessions[sessions.size() - 2].durationInSeconds;
    return statistics;
}

} // namespace keepsift::analytics
