#include "telemetry/sessions/SessionHistory.hpp"

namespace keepsift::analytics {

std::string TrimmedHistory::summary() const {
    return "session history: kept " + std::to_string(kept.size()) + ", dropped " +
           std::to_string(aged) + " older than 90 days, " + std::to_string(future) +
           " dated in the future, " + std::to_string(overLimit) + " beyond the limit of " +
           std::to_string(sessionHistoryLimit);
}

TrimmedHistory trimHistory(const std::vector<StoredSession>& stored, Date now) {
    const Date cutoff = now.adding(-sessionHistoryWindow);
    const Date latest = now.adding(sessionFutureTolerance);
    TrimmedHistory history;
    history.kept.reserve(std::min(stored.size(), sessionHistoryLimit));
    for (const StoredSession& session : stored) {
        if (!(session.startedAt > cutoff))
            ++history.aged;
        else if (session.startedAt > latest)
            ++history.future;
        else
            history.kept.push_back(session);
    }
    if (history.kept.size() > sessionHistoryLimit) {
        const auto surplus = history.kept.size() - sessionHistoryLimit;
        history.kept.erase(history.kept.begin(), history.kept.begin() + surplus);
        history.overLimit = static_cast<std::int64_t>(surplus);
    }
    return history;
}

} // namespace keepsift::analytics
