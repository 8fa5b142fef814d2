#include "Keepsift/model/AppModel.hpp"

namespace keepsift::app {

// Filled in when the reporter is available.
void AppModel::telemetryRestore() {
    (void)store_->telemetryMemory();
}
void AppModel::telemetrySetEnabled(bool) {}
void AppModel::telemetryLaunched() {}
void AppModel::telemetrySettingsChanged(const Settings&, const Settings&) {}
void AppModel::telemetryRefreshed(const ScanReport&, const Settings&) {}
void AppModel::telemetryDeleted(std::int64_t, std::int64_t) {}
void AppModel::telemetrySession(std::int64_t, std::int64_t, std::int64_t) {}

} // namespace keepsift::app
