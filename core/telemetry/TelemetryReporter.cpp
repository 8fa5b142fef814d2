#include "core/telemetry/TelemetryReporter.hpp"

namespace keepsift {

TelemetryReporter::TelemetryReporter(std::shared_ptr<TelemetrySink> sink,
                                     std::shared_ptr<Clock> clock, bool enabled,
                                     TelemetryMemory memory, Persist persist)
    : sink_(std::move(sink)), clock_(std::move(clock)), persist_(std::move(persist)),
      enabled_(enabled), memory_(std::move(memory)) {
    sink_->setEnabled(enabled);
}

void TelemetryReporter::restore(const TelemetryMemory& memory) {
    std::lock_guard guard(lock_);
    memory_ = memory;
}

void TelemetryReporter::setEnabled(bool enabled) {
    // Keeps the sink's flag in the order of the calls; the sink never calls back.
    std::lock_guard order(enabling_);
    {
        std::lock_guard guard(lock_);
        enabled_ = enabled;
    }
    sink_->setEnabled(enabled);
}

bool TelemetryReporter::isEnabled() const {
    std::lock_guard guard(lock_);
    return enabled_;
}

TelemetryMemory TelemetryReporter::memory() const {
    std::lock_guard guard(lock_);
    return memory_;
}

void TelemetryReporter::send(const Signal& signal) {
    if (isEnabled()) sink_->send(signal);
}

bool TelemetryReporter::persistThenReadEnabled(const TelemetryMemory& copy) {
    if (persist_) persist_(copy);
    return isEnabled();
}

void TelemetryReporter::permissionAnswered(LibraryAuthorization authorization) {
    TelemetryMemory copy;
    {
        std::lock_guard guard(lock_);
        if (memory_.lastPermission == authorization) return;
        memory_.lastPermission = authorization;
        copy = memory_;
    }
    if (persistThenReadEnabled(copy)) sink_->send(Signal::PermissionAnswered{authorization});
}

bool TelemetryReporter::reportFirstScan(std::int64_t library, std::int64_t groups,
                                        std::int64_t flagged) {
    TelemetryMemory copy;
    {
        std::lock_guard guard(lock_);
        if (memory_.hasReportedFirstScan) return false;
        memory_.hasReportedFirstScan = true;
        copy = memory_;
    }
    if (persistThenReadEnabled(copy))
        sink_->send(Signal::ScanCompleted{libraryBucket(library), groupBucket(groups),
                                          flaggedBucket(flagged)});
    return true;
}

bool TelemetryReporter::sendHeartbeatIfDue(const Settings& settings, std::int64_t library,
                                           std::int64_t groups, std::int64_t flagged,
                                           double interval) {
    const Date now = clock_->now();
    TelemetryMemory copy;
    {
        std::lock_guard guard(lock_);
        // A last heartbeat in the future (clock set back) keeps the next one waiting until
        // the clock has passed it by the interval.
        if (memory_.lastHeartbeat && now.since(*memory_.lastHeartbeat) < interval) return false;
        memory_.lastHeartbeat = now;
        copy = memory_;
    }
    if (!persistThenReadEnabled(copy)) return false;
    sink_->send(Signal::DailyHeartbeat{libraryBucket(library), groupBucket(groups),
                                       flaggedBucket(flagged), nudgeThreshold(settings.reviewNudge),
                                       settings.scanningEnabled, settings.mainsOnly,
                                       settings.showsMenuBarIcon, settings.launchAtLogin,
                                       settings.automaticUpdates, languageTag(settings.language)});
    return true;
}

void TelemetryReporter::settingsChanged(const Settings& from, const Settings& to) {
    if (!isEnabled()) return;
    for (SettingName name : changedSettings(from, to))
        sink_->send(Signal::SettingChanged{name});
}

std::vector<SettingName> TelemetryReporter::changedSettings(const Settings& from,
                                                            const Settings& to) {
    std::vector<SettingName> names;
    const auto add = [&](bool differs, SettingName name) {
        if (differs) names.push_back(name);
    };
    add(from.scanningEnabled != to.scanningEnabled, SettingName::scanning);
    add(from.mainsOnly != to.mainsOnly, SettingName::mainsOnly);
    add(from.reviewNudge != to.reviewNudge, SettingName::reviewNudge);
    add(from.scanScope != to.scanScope, SettingName::scanScope);
    add(from.showsMenuBarIcon != to.showsMenuBarIcon, SettingName::menuBarIcon);
    add(from.launchAtLogin != to.launchAtLogin, SettingName::launchAtLogin);
    add(from.automaticUpdates != to.automaticUpdates, SettingName::updates);
    add(from.telemetryEnabled != to.telemetryEnabled, SettingName::telemetry);
    add(from.language != to.language, SettingName::language);
    return names;
}

} // namespace keepsift
