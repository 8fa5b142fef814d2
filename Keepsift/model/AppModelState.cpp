#include "Keepsift/model/AppModel.hpp"

#include "Keepsift/model/LibraryNotice.hpp"
#include "core/settings/Keepsift.hpp"
#include "core/settings/ReviewNudge.hpp"
#include "core/text/Strings.hpp"

namespace keepsift::app {
namespace {

// Stores `value` and announces it only when it changed.
template <class T> void assign(T& field, T value, Property property, const Observers& observers) {
    if (field == value) return;
    field = std::move(value);
    observers.announce(property);
}

AppModel::Services withDefaults(AppModel::Services services) {
    if (!services.sleeper) services.sleeper = std::make_shared<SystemSleeper>();
    return services;
}

} // namespace

AppModel::AppModel(Parts parts, Services services)
    : engine_(std::move(parts.engine)), store_(std::move(parts.store)),
      telemetry_(std::move(parts.telemetry)), clock_(std::move(parts.clock)),
      images_(std::move(parts.images)), startsUpdater_(parts.startsUpdater),
      fixedConditions_(parts.fixedConditions), missingPictures_(std::move(parts.missingPictures)),
      launchCommand_(std::move(parts.launchCommand)),
      libraryFolder_(std::move(parts.libraryFolder)), sendsUsage_(parts.sendsUsage),
      restMeasuring_(std::move(parts.restMeasuring)), services_(withDefaults(std::move(services))),
      log_(std::string(Keepsift::identifier), "shell"), tasks_(services_.mainActor) {}

AppModel::~AppModel() {
    tasks_.shutDown();
}

bool AppModel::buildCanUpdate() const {
    return !services_.updaters || services_.updaters->isConfigured();
}

void AppModel::setSettings(Settings settings) {
    assign(settings_, std::move(settings), Property::settings, observers_);
}

void AppModel::writePausedInPlace(bool paused) {
    settings_.isPaused = paused;
    observers_.announce(Property::settings);
}

void AppModel::setSnapshot(EngineSnapshot snapshot) {
    assign(snapshot_, std::move(snapshot), Property::snapshot, observers_);
}

void AppModel::setReadiness(QueueReadiness readiness) {
    assign(readiness_, readiness, Property::readiness, observers_);
}

void AppModel::setIsWorking(bool working) {
    assign(isWorking_, working, Property::isWorking, observers_);
}

void AppModel::setIsDeleting(bool deleting) {
    assign(isDeleting_, deleting, Property::isDeleting, observers_);
}

void AppModel::setNotice(std::optional<std::string> notice) {
    assign(notice_, std::move(notice), Property::notice, observers_);
}

void AppModel::setStatusNotice(std::optional<std::string> notice) {
    assign(statusNotice_, std::move(notice), Property::statusNotice, observers_);
}

void AppModel::raiseNotice(std::optional<std::string>& own, std::string text) {
    own = std::move(text);
    setStatusNotice(own);
}

void AppModel::withdrawNotice(std::optional<std::string>& own) {
    if (own && statusNotice_ == own) setStatusNotice(std::nullopt);
    own.reset();
}

void AppModel::setNeedsFirstRunNotice(bool needs) {
    assign(needsFirstRunNotice_, needs, Property::needsFirstRunNotice, observers_);
}

void AppModel::setUpdater(std::shared_ptr<Updater> updater) {
    updater_ = std::move(updater);
    observers_.announce(Property::updater);
}

void AppModel::setLibraryStorage(std::optional<LibraryStorage> storage) {
    assign(libraryStorage_, storage, Property::libraryStorage, observers_);
}

void AppModel::setHasDeferredICloudChoice(bool deferred) {
    assign(hasDeferredICloudChoice_, deferred, Property::hasDeferredICloudChoice, observers_);
}

std::optional<std::string> AppModel::accessNotice() const {
    switch (snapshot_.authorization) {
    case LibraryAuthorization::notDetermined:
    case LibraryAuthorization::authorized:
        return std::nullopt;
    case LibraryAuthorization::limited:
        return Strings::text(FixedText::libraryLimited, settings_.language);
    case LibraryAuthorization::denied:
        return Strings::text(FixedText::noLibraryAccess, settings_.language);
    case LibraryAuthorization::restricted:
        if (missingPictures_)
            return missingPicturesNotice(*missingPictures_, launchCommand_, settings_.language);
        // Its folder moved away, or a drive unmounted: the folder is named.
        if (libraryFolder_) return libraryUnavailableNotice(*libraryFolder_, settings_.language);
        return Strings::text(FixedText::libraryRestricted, settings_.language);
    }
    return std::nullopt;
}

bool AppModel::isFirstPassRunning() const {
    return !snapshot_.hasCompletedFirstPass && canRead(snapshot_.authorization) &&
           snapshot_.analysed < snapshot_.known;
}

bool AppModel::needsICloudChoice() const {
    return libraryStorage_ == LibraryStorage::optimised && !settings_.scanScope &&
           !hasDeferredICloudChoice_;
}

bool AppModel::batchFullWhileAnalysing() const {
    return snapshot_.batchIsFull && snapshot_.analysed < snapshot_.known;
}

bool AppModel::shouldNudge() const {
    return isReached(settings_.reviewNudge, snapshot_.review.flaggedCount);
}

double AppModel::pumpInterval() const {
    if (readiness_ != QueueReadiness::run) return idlePumpInterval;
    if (snapshot_.waiting > 0 || isWorking_ || digestsToFill_) return busyPumpInterval;
    return idlePumpInterval;
}

} // namespace keepsift::app
