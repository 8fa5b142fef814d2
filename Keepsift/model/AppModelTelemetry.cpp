#include "Keepsift/model/AppModel.hpp"
#include "core/telemetry/Buckets.hpp"

namespace keepsift::app {

void AppModel::telemetryRestore() {
    telemetry_->restore(store_->telemetryMemory());
}

void AppModel::telemetrySetEnabled(bool enabled) {
    telemetry_->setEnabled(enabled);
}

void AppModel::telemetryLaunched() {
    telemetry_->send(Signal(Signal::AppLaunched{}));
}

void AppModel::telemetrySettingsChanged(const Settings& from, const Settings& to) {
    telemetry_->settingsChanged(from, to);
}

void AppModel::telemetryRefreshed(const ScanReport& report, const Settings& settings) {
    telemetry_->permissionAnswered(report.access);
    if (report.hasCompletedFirstPass)
        telemetry_->reportFirstScan(report.library, report.groups, report.flagged);
    telemetry_->sendHeartbeatIfDue(settings, report.library, report.groups, report.flagged,
                                   heartbeatInterval);
}

void AppModel::telemetryDeleted(std::int64_t count, std::int64_t bytes) {
    const auto photos = deleteBucket(count);
    if (!photos) return;
    telemetry_->send(Signal(Signal::DeleteBatch{*photos, sizeBucket(bytes)}));
}

void AppModel::telemetrySession(std::int64_t touched, std::int64_t overrides, std::int64_t resets) {
    telemetry_->send(Signal(Signal::ReviewSession{groupBucket(touched), overrideBucket(overrides),
                                                  overrideBucket(resets)}));
}

} // namespace keepsift::app
