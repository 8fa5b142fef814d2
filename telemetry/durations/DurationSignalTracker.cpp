#include "telemetry/durations/DurationSignalTracker.hpp"

#include <algorithm>

namespace keepsift::analytics {

DurationSignalTracker::DurationSignalTracker(std::function<Date()> now) : now_(std::move(now)) {}

void DurationSignalTracker::startTracking(const std::string& name, const ParameterMap& parameters,
                                          bool includeBackgroundTime) {
    const Date now = now_();
    std::lock_guard guard(queue_);
    startedSignals_.insert_or_assign(name, CachedData{now, parameters, includeBackgroundTime});
}

std::optional<DurationTracking::Finished>
DurationSignalTracker::stopTracking(const std::string& name) {
    const Date now = now_();
    std::lock_guard guard(queue_);
    const auto found = startedSignals_.find(name);
    if (found == startedSignals_.end()) return std::nullopt;
    Finished finished{now.since(found->second.startTime), std::move(found->second.parameters)};
    startedSignals_.erase(found);
    return finished;
}

void DurationSignalTracker::handleDidEnterBackgroundNotification() {
    const Date now = now_();
    std::lock_guard guard(queue_);
    lastEnteredBackground_ = now;
}

void DurationSignalTracker::handleWillEnterForegroundNotification() {
    const Date now = now_();
    std::lock_guard guard(queue_);
    if (!lastEnteredBackground_) return;
    // A timing begun during the spell leaves out only its own part of it: it never reports a
    // negative duration.
    for (auto& [name, data] : startedSignals_)
        if (!data.includeBackgroundTime)
            data.startTime =
                data.startTime.adding(now.since(std::max(data.startTime, *lastEnteredBackground_)));
    lastEnteredBackground_.reset();
}

} // namespace keepsift::analytics
