#include "Keepsift/model/AppModel.hpp"

#include "Keepsift/model/LibraryNotice.hpp"
#include "core/model/LibraryUnavailable.hpp"

namespace keepsift::app {

void AppModel::refresh(Done done) {
    launch([this] { refreshFlow(); }, std::move(done));
}

void AppModel::refreshFlow() {
    EngineSnapshot fresh = engine_->snapshot();
    const ScanReport report{fresh.authorization, fresh.hasCompletedFirstPass, fresh.known,
                            fresh.review.reviewableGroupCount(), fresh.review.flaggedCount};
    const Settings before = onMain([&] { return settings_; });
    const WorkConditions machine = machineState(before, report.access);
    const Settings settings = onMain([&] {
        setSnapshot(std::move(fresh));
        setReadiness(queueReadiness(joined(machine, settings_, snapshot_.authorization)));
        return settings_;
    });
    telemetryRefreshed(report, settings);
}

WorkConditions AppModel::machineState(const Settings& settings, LibraryAuthorization access) const {
    if (fixedConditions_) return *fixedConditions_;
    if (!services_.conditions) return WorkConditions{};
    return services_.conditions->current(settings, canRead(access));
}

WorkConditions AppModel::joined(const WorkConditions& machine, const Settings& settings,
                                LibraryAuthorization access) {
    WorkConditions conditions = machine;
    conditions.scanningEnabled = settings.scanningEnabled;
    conditions.isPaused = settings.isPaused;
    conditions.mainsOnly = settings.mainsOnly;
    conditions.canReadLibrary = canRead(access);
    return conditions;
}

WorkConditions AppModel::workConditions() const {
    return joined(machineState(settings_, snapshot_.authorization), settings_,
                  snapshot_.authorization);
}

WorkConditions AppModel::workConditionsFlow() {
    const auto [settings, access] =
        onMain([&] { return std::pair(settings_, snapshot_.authorization); });
    const WorkConditions machine = machineState(settings, access);
    // Joined with the switches as they are now: a pause set while the probe ran counts.
    return onMain([&] { return joined(machine, settings_, snapshot_.authorization); });
}

void AppModel::applyBatchLimit(Done done) {
    launch([this] { applyBatchLimitFlow(); }, std::move(done));
}

void AppModel::applyBatchLimitFlow() {
    const bool limited = onMain([&] {
        return libraryStorage_ == LibraryStorage::optimised &&
               settings_.scanScope != ScanScope::wholeLibrary;
    });
    if (limited)
        engine_->setBatchLimit(batchGroupLimit, batchByteLimit);
    else
        engine_->setBatchLimit(std::nullopt, std::nullopt);
}

void AppModel::startUpdaterIfNeeded() {
    if (!startsUpdater_ || !services_.updaters || !services_.updaters->isConfigured() ||
        needsFirstRunNotice_)
        return;
    if (!updater_) setUpdater(services_.updaters->make());
    if (updater_) updater_->setAutomaticallyChecksForUpdates(settings_.automaticUpdates);
}

void AppModel::updateLoginItem() {
    if (!services_.loginItem) return;
    const bool registered = services_.loginItem->setLaunchAtLogin(settings_.launchAtLogin);
    if (registered == settings_.launchAtLogin) return;
    // The setting shows what the system did, also when registration failed or was refused.
    Settings corrected = settings_;
    corrected.launchAtLogin = registered;
    setSettings(corrected);
    tasks_.spawn([this, registered] {
        // Only the switch is corrected in what is stored, so that a settings change saved
        // meanwhile is not overwritten with an older copy.
        std::lock_guard saving(settingsSaves_);
        Settings stored = store_->settings();
        stored.launchAtLogin = registered;
        store_->saveSettings(stored);
    });
}

void AppModel::showLibraryUnavailable(const std::string& folder) {
    raiseNotice(libraryNotice_,
                missingPictures_
                    ? missingPicturesNotice(*missingPictures_, launchCommand_, settings_.language)
                    : libraryUnavailableNotice(folder, settings_.language));
}

void AppModel::clearLibraryUnavailable() {
    withdrawNotice(libraryNotice_);
}

void AppModel::reconcileLibrary(Done done) {
    launch([this] { reconcileLibraryFlow(); }, std::move(done));
}

void AppModel::reconcileLibraryFlow() {
    if (onMain([&] { return storageBlocked_; })) return;
    try {
        if (!engine_->reconcileWithLibrary().isEmpty()) engine_->regroup();
        onMain([&] { clearLibraryUnavailable(); });
    } catch (const LibraryUnavailable& error) {
        log_.error(std::string("refresh failed: ") + error.what());
        onMain([&] { showLibraryUnavailable(error.folder()); });
    } catch (const std::exception& error) {
        log_.error(std::string("refresh failed: ") + error.what());
    }
    const auto storage = onMain([&] { return libraryStorage_; });
    if (!storage || *storage == LibraryStorage::unknown) {
        const LibraryStorage found = engine_->refreshStorageMode();
        onMain([&] { setLibraryStorage(found); });
        applyBatchLimitFlow();
    }
    refreshFlow();
    pumpOnceFlow();
}

void AppModel::refreshAuthorization(Done done) {
    launch(
        [this] {
            engine_->refreshAuthorization();
            refreshFlow();
        },
        std::move(done));
}

void AppModel::recordLibraryConsent(bool granted, Done done) {
    launch(
        [this, granted] {
            const auto& record = services_.recordLibraryConsent;
            if (!record || !record(granted))
                log_.error("the library-access answer could not be stored");
            engine_->refreshAuthorization();
            reconcileLibraryFlow();
        },
        std::move(done));
}

} // namespace keepsift::app
