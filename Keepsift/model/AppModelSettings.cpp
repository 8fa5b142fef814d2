#include "Keepsift/model/AppModel.hpp"

namespace keepsift::app {

void AppModel::applySettings(Settings settings, Done done) {
    launch([this, settings = std::move(settings),
            place = settingsOrder_.take()] { applySettingsFlow(settings, *place); },
           std::move(done));
}

void AppModel::applySettingsFlow(const Settings& wanted, CallOrder::Place& place) {
    Settings before;
    Settings after;
    // Each change has a task of its own: without taking turns a later change could be
    // stored, shown and reported before an earlier one, which would then win.
    place.run(ModelTasks::currentStop(), [&] {
        before = onMain([&] { return settings_; });
        after = [&] {
            std::lock_guard saving(settingsSaves_);
            store_->saveSettings(wanted);
            // From here on the settings are what the store kept, not what was asked for.
            return store_->settings();
        }();
        onMain([&] { setSettings(after); });
        telemetrySetEnabled(after.telemetryEnabled);
        telemetrySettingsChanged(before, after);
    });
    onMain([&] {
        startUpdaterIfNeeded();
        if (before.launchAtLogin != after.launchAtLogin) updateLoginItem();
    });
    if (!before.scanningEnabled && after.scanningEnabled) engine_->ensureAuthorization(true);
    if (before.scanScope != after.scanScope) applyBatchLimitFlow();
    refreshFlow();
    if (before.isPaused && !after.isPaused) pumpOnceFlow();
    onMain([&] {
        if (pumpTask_ && currentPumpInterval_ != pumpInterval()) startPump();
    });
}

void AppModel::setPaused(bool paused, Done done) {
    const bool wasPaused = settings_.isPaused;
    // The popover shows the switch at once, before anything is stored.
    writePausedInPlace(paused);
    launch(
        [this, wanted = settings_, wasPaused, paused, place = settingsOrder_.take()] {
            applySettingsFlow(wanted, *place);
            if (wasPaused && !paused) pumpOnceFlow();
        },
        std::move(done));
}

void AppModel::completeFirstRun(bool telemetryEnabled, bool automaticUpdates, Done done) {
    Settings wanted = settings_;
    wanted.telemetryEnabled = telemetryEnabled;
    wanted.automaticUpdates = automaticUpdates;
    // The first-run window waits only for the choices and the access answer; the reading of
    // the library that follows can take hours on a first pass and goes on behind it.
    launch(
        [this, wanted, done = std::move(done), place = settingsOrder_.take()] {
            completeFirstRunFlow(wanted, *place);
            if (done) tasks_.post(done);
            reconcileLibraryFlow();
        },
        {});
}

void AppModel::completeFirstRunFlow(const Settings& wanted, CallOrder::Place& place) {
    applySettingsFlow(wanted, place);
    store_->setSeenFirstRunNotice(true);
    const bool scanning = onMain([&] {
        setNeedsFirstRunNotice(false);
        return settings_.scanningEnabled;
    });
    // The access prompt that start-up held back while the first-run window was open.
    engine_->ensureAuthorization(scanning);
    onMain([&] { startUpdaterIfNeeded(); });
}

} // namespace keepsift::app
