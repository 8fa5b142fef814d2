#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "Keepsift/model/ActionsInFlight.hpp"
#include "Keepsift/model/CallOrder.hpp"
#include "Keepsift/model/ConditionsProbe.hpp"
#include "Keepsift/model/ImageSource.hpp"
#include "Keepsift/model/LoginItem.hpp"
#include "Keepsift/model/MainActor.hpp"
#include "Keepsift/model/ModelTasks.hpp"
#include "Keepsift/model/Observers.hpp"
#include "Keepsift/model/Sleeper.hpp"
#include "Keepsift/model/Updater.hpp"
#include "core/engine/ScanEngine.hpp"
#include "core/model/Clock.hpp"
#include "core/model/LibraryEnums.hpp"
#include "core/review/EngineSnapshot.hpp"
#include "core/settings/QueueReadiness.hpp"
#include "core/settings/Settings.hpp"
#include "core/settings/WorkConditions.hpp"
#include "core/store/KeepsiftStore.hpp"
#include "core/support/Date.hpp"
#include "core/support/Logger.hpp"
#include "core/telemetry/TelemetryReporter.hpp"

namespace keepsift::app {

// The one object that holds the application's state: it owns the engine, the store, the
// telemetry reporter and the image source, publishes the engine's snapshot and the flags
// the views show, runs the pump and library-changes tasks and carries every user action
// into the engine.
//
// Everything public is used on the main actor. Operations that wait for the engine, store
// or reporter return at once; their work runs on a task of its own, which hops back to the
// main actor for every read or write of the state, and `done` (when given) is posted to the
// main actor when the operation has finished. Setters announce a change to the observers
// only when the value really changed.
class AppModel {
public:
    using Done = std::function<void()>;
    using DeleteDone = std::function<void(std::int64_t deleted)>;
    using Environment = std::map<std::string, std::string>;

    // What the application shell supplies (tests supply fakes).
    struct Services {
        std::shared_ptr<MainActor> mainActor;
        std::shared_ptr<LoginItem> loginItem;
        std::shared_ptr<ConditionsProbe> conditions;
        std::shared_ptr<UpdaterFactory> updaters;
        std::shared_ptr<Sleeper> sleeper;
        // Stores the user's answer to the library-access question; false when it could not.
        std::function<bool(bool granted)> recordLibraryConsent = {};
    };

    // What a factory builds.
    struct Parts {
        std::shared_ptr<ScanEngine> engine;
        std::shared_ptr<KeepsiftStore> store;
        std::shared_ptr<TelemetryReporter> telemetry;
        std::shared_ptr<Clock> clock;
        std::shared_ptr<ImageSource> images;
        bool startsUpdater = true;
        // Replaces the sampled machine state (power, power saving, heat) when set.
        std::optional<WorkConditions> fixedConditions;
        // No library was named and the Pictures folder, the only one read then, is missing:
        // its path, so that the notices say how to name a folder.
        std::optional<std::string> missingPictures;
        // How a shell starts this binary, for the notices that name a command.
        std::string launchCommand = "keepsift";
        // The folder the library is read from, so that the notices can name it when it cannot
        // be read.
        std::optional<std::string> libraryFolder;
        // False when the build has no analytics identifier: usage counts go nowhere.
        bool sendsUsage = true;
        // Called once a pump step that measured photographs has saved them and nothing is
        // measured: the measuring side lets go of what it can read again when next needed.
        std::function<void()> restMeasuring;
    };

    static constexpr double busyPumpInterval = 3.0;
    static constexpr double idlePumpInterval = 30.0;
    static constexpr double regroupSpacing = 20.0;
    static constexpr double heartbeatInterval = 86400.0;
    static constexpr double storageRetryInterval = 10.0;
    static constexpr std::int64_t batchGroupLimit = 200;
    static constexpr std::int64_t batchByteLimit = 5'000'000'000;

    AppModel(Parts parts, Services services);
    // Cancels the tasks and waits for them; call it where the main actor still runs or has
    // stopped for good, never from inside one of the model's own operations.
    ~AppModel();
    AppModel(const AppModel&) = delete;
    AppModel& operator=(const AppModel&) = delete;

    // The interface-test model: a seeded scripted library from the scenario catalogue, fixed
    // clock and conditions, in-memory storage, no updater and telemetry that goes nowhere.
    static std::unique_ptr<AppModel> makeForScenario(const Environment& environment,
                                                     Services services,
                                                     std::shared_ptr<ImageSource> images);

    // Observation.
    ObservationToken observe(Observers::Observer observer) { return observers_.observe(observer); }

    // Observed state.
    const Settings& settings() const { return settings_; }
    const EngineSnapshot& snapshot() const { return snapshot_; }
    QueueReadiness readiness() const { return readiness_; }
    bool isWorking() const { return isWorking_; }
    bool isDeleting() const { return isDeleting_; }
    // The outcome of the last review action, for the review window.
    const std::optional<std::string>& notice() const { return notice_; }
    // What keeps the library or the review's files from being used right now (a folder that
    // cannot be read, files that cannot be saved), for the status and review windows.
    const std::optional<std::string>& statusNotice() const { return statusNotice_; }
    bool needsFirstRunNotice() const { return needsFirstRunNotice_; }
    const std::shared_ptr<Updater>& updater() const { return updater_; }
    std::optional<LibraryStorage> libraryStorage() const { return libraryStorage_; }
    bool hasDeferredICloudChoice() const { return hasDeferredICloudChoice_; }

    void setSettings(Settings settings);
    // Writes the pause switch in place and announces it, changed or not.
    void writePausedInPlace(bool paused);
    void setSnapshot(EngineSnapshot snapshot);
    void setReadiness(QueueReadiness readiness);
    void setIsWorking(bool working);
    void setIsDeleting(bool deleting);
    void setNotice(std::optional<std::string> notice);
    void setStatusNotice(std::optional<std::string> notice);
    void setNeedsFirstRunNotice(bool needs);
    // Always announces.
    void setUpdater(std::shared_ptr<Updater> updater);
    void setLibraryStorage(std::optional<LibraryStorage> storage);
    // The iCloud scope sheet's "decide later".
    void setHasDeferredICloudChoice(bool deferred);

    // Derived values. Inputs: accessNotice (snapshot, settings), isFirstPassRunning
    // (snapshot), needsICloudChoice (libraryStorage, settings, hasDeferredICloudChoice),
    // batchFullWhileAnalysing (snapshot), shouldNudge (snapshot, settings), pumpInterval
    // (readiness, snapshot, isWorking, and unobserved, whether digests are left to fill).
    std::optional<std::string> accessNotice() const;
    bool isFirstPassRunning() const;
    bool needsICloudChoice() const;
    bool batchFullWhileAnalysing() const;
    bool shouldNudge() const;
    double pumpInterval() const;

    // What the model holds for its life.
    const std::shared_ptr<ScanEngine>& engine() const { return engine_; }
    const std::shared_ptr<KeepsiftStore>& store() const { return store_; }
    const std::shared_ptr<TelemetryReporter>& telemetry() const { return telemetry_; }
    const std::shared_ptr<Clock>& clock() const { return clock_; }
    const std::shared_ptr<ImageSource>& images() const { return images_; }
    bool startsUpdater() const { return startsUpdater_; }
    // What the build can do at all, whatever the switches say: the settings say so beside
    // them. Updates need an update key (known to the updater factory), usage counts an
    // analytics identifier.
    bool buildCanUpdate() const;
    bool buildSendsUsage() const { return sendsUsage_; }
    const std::optional<WorkConditions>& fixedConditions() const { return fixedConditions_; }

    // Unobserved state, for the shell's diagnostics and for tests.
    bool isPumping() const { return isPumping_; }
    Date lastRegroup() const { return lastRegroup_; }
    double currentPumpInterval() const { return currentPumpInterval_; }
    bool hasPumpTask() const { return pumpTask_.has_value(); }
    bool hasChangesTask() const { return changesTask_.has_value(); }
    // True while the start waits for a place to keep the engine's files; nothing is
    // flagged meanwhile.
    bool isStorageBlocked() const { return storageBlocked_; }
    const std::set<std::string>& touchedThisSession() const { return touchedThisSession_; }
    std::int64_t overridesThisSession() const { return overridesThisSession_; }
    std::int64_t resetsThisSession() const { return resetsThisSession_; }

    // Start-up and quitting.
    void loadFirstRunState(Done done = {});
    // `settingsRead` comes as soon as the stored settings are applied, before the library is
    // read: what the start shows depends on them.
    void start(Done done = {}, Done settingsRead = {});
    // Blocks the calling thread until the review actions already taken have reached the
    // engine and its pending save is written, or `timeout` seconds have passed, whichever
    // comes first.
    void flushBeforeQuit(double timeout);

    // Settings, pause and first-run completion.
    void applySettings(Settings settings, Done done = {});
    void setPaused(bool paused, Done done = {});
    // `done` comes once the choices are stored and the access question answered; the
    // library's reconciliation and first pump step follow without holding it.
    void completeFirstRun(bool telemetryEnabled, bool automaticUpdates, Done done = {});

    // Refresh, readiness, batch limit, updater, login item and reconciliation.
    void refresh(Done done = {});
    WorkConditions workConditions() const;
    void applyBatchLimit(Done done = {});
    void startUpdaterIfNeeded();
    void updateLoginItem();
    void reconcileLibrary(Done done = {});

    // Pump and library changes.
    void startPump();
    void pumpOnce(Done done = {});
    // Follows the given stream, or one subscribed to by the task itself.
    void startLibraryChanges(LibraryChangeStream subscribed = nullptr);

    // Review actions and sessions.
    void override(bool keep, const std::string& photo, Done done = {});
    void ignore(const std::string& group, Done done = {});
    void reset(const std::string& group, Done done = {});
    // `groups` absent means every group of the review list.
    void confirmDelete(std::optional<std::set<std::string>> groups, std::int64_t expected,
                       DeleteDone done = {});
    void beginReviewSession();
    void reportSession(Done done = {});

    // The two engine calls the windows make, kept off the main actor: a window that appears
    // refreshes the authorization and then the model; "keep looking" extends the batch and
    // pumps.
    void refreshAuthorization(Done done = {});
    // The settings' library-access switch: the answer is stored, then the engine takes up the
    // access it gives and the scan follows.
    void recordLibraryConsent(bool granted, Done done = {});
    bool canRecordLibraryConsent() const { return bool(services_.recordLibraryConsent); }
    void extendBatch(std::int64_t byGroups, Done done = {});

private:
    // Runs `flow` as a task of its own, then posts `done`.
    void launch(std::function<void()> flow, Done done);
    template <class Segment> auto onMain(Segment&& segment) {
        return tasks_.onMain(std::forward<Segment>(segment));
    }

    // The operations' bodies; they run on a task, never on the main actor.
    void loadFirstRunStateFlow();
    void startFlow(const Done& settingsRead);
    void applySettingsFlow(const Settings& wanted, CallOrder::Place& place);
    void completeFirstRunFlow(const Settings& wanted, CallOrder::Place& place);
    void refreshFlow();
    void applyBatchLimitFlow();
    void reconcileLibraryFlow();
    bool handleLibraryChangeFlow(const LibraryChange& change);
    // Main actor: tells the user which folder keeps the library from being read, and takes
    // that notice back once the library reads again.
    void showLibraryUnavailable(const std::string& folder);
    void clearLibraryUnavailable();
    // Waits, retrying, until the engine's files can be kept, with a notice meanwhile; false
    // when cancelled first.
    bool waitForStorageFlow();
    void showStorageUnavailable(const std::string& reason);
    // A standing notice of one condition, kept in `own`: shown, or taken back unless another
    // notice has replaced it meanwhile.
    void raiseNotice(std::optional<std::string>& own, std::string text);
    void withdrawNotice(std::optional<std::string>& own);
    void clearStorageUnavailable();
    // How much of the digest fill an idle pump step takes on.
    enum class DigestPace { oneStep, untilDone };
    void pumpOnceFlow(DigestPace pace = DigestPace::oneStep);
    std::int64_t analyseWhileWorkFlow();
    void fillDigestsWhileIdleFlow(DigestPace pace);
    void finishPumpStepFlow(std::int64_t steps);
    void pumpTaskBody(double interval);
    void changesTaskBody(LibraryChangeStream subscribed);
    // An override, ignore or reset, named by `action` in the log, taken on the main actor:
    // launched with its place among the actions in flight.
    void launchReviewAction(std::string action, std::function<void()> count,
                            std::function<void()> call, Done done);
    // Refused aloud while the review cannot be saved; otherwise carried into the engine,
    // counted, its album's outcome told, and refreshed. The action lands before the flow
    // asks anything of the main actor.
    void reviewActionFlow(const std::string& action, const std::function<void()>& count,
                          const std::function<void()>& call, ActionsInFlight::Ticket& ticket);
    // What became of a review action in the engine: refused, or taken, with the reason its
    // album write failed if it did.
    struct ActionOutcome {
        std::optional<std::string> refusal;
        std::optional<std::string> albumFailure;
    };
    ActionOutcome takeReviewAction(const std::function<void()>& call);
    // Main actor: the session's count of an override and the group it touched.
    void countOverride(const std::string& photo);
    // The rejects album could not follow the review: the notice says so, and the log names
    // the action, or for the pump's retries each cause once.
    void albumBehindFlow(const std::string& why, const std::optional<std::string>& action);
    // Takes the album's notice back once the album has caught up.
    void albumFollowedFlow();
    std::int64_t confirmDeleteFlow(const std::optional<std::set<std::string>>& groups,
                                   std::int64_t expected,
                                   const std::map<std::string, std::int64_t>& sizes);

    // The machine's state (fixed, or sampled by the probe) joined with the settings' switches
    // and the library permission. The probe may be slow, so tasks sample it off the main actor.
    WorkConditions machineState(const Settings& settings, LibraryAuthorization access) const;
    static WorkConditions joined(const WorkConditions& machine, const Settings& settings,
                                 LibraryAuthorization access);
    WorkConditions workConditionsFlow();
    // The size of each photograph of the batch as the snapshot shows it.
    std::map<std::string, std::int64_t>
    deleteFileSizes(const std::optional<std::set<std::string>>& groups) const;
    std::string refusalNotice() const;
    // The notice and log line of a delete the library answered, and the count it sends.
    void reportDeletion(const DeletionReport& report,
                        const std::map<std::string, std::int64_t>& sizes);

    // Telemetry, each call made from a task.
    void telemetryRestore();
    void telemetrySetEnabled(bool enabled);
    void telemetryLaunched();
    void telemetrySettingsChanged(const Settings& from, const Settings& to);
    struct ScanReport {
        LibraryAuthorization access = LibraryAuthorization::notDetermined;
        bool hasCompletedFirstPass = false;
        std::int64_t library = 0;
        std::int64_t groups = 0; // review groups holding a flagged photograph
        std::int64_t flagged = 0;
    };
    void telemetryRefreshed(const ScanReport& report, const Settings& settings);
    void telemetryDeleted(std::int64_t count, std::int64_t bytes);
    void telemetrySession(std::int64_t touched, std::int64_t overrides, std::int64_t resets);

    // Constants.
    const std::shared_ptr<ScanEngine> engine_;
    const std::shared_ptr<KeepsiftStore> store_;
    const std::shared_ptr<TelemetryReporter> telemetry_;
    const std::shared_ptr<Clock> clock_;
    const std::shared_ptr<ImageSource> images_;
    const bool startsUpdater_;
    const std::optional<WorkConditions> fixedConditions_;
    const std::optional<std::string> missingPictures_;
    const std::string launchCommand_;
    const std::optional<std::string> libraryFolder_;
    const bool sendsUsage_;
    const std::function<void()> restMeasuring_;
    const Services services_;
    const Logger log_;

    // Observed.
    Settings settings_;
    EngineSnapshot snapshot_;
    QueueReadiness readiness_ = QueueReadiness::run;
    bool isWorking_ = false;
    bool isDeleting_ = false;
    std::optional<std::string> notice_;
    std::optional<std::string> statusNotice_;
    bool needsFirstRunNotice_ = false;
    std::shared_ptr<Updater> updater_;
    std::optional<LibraryStorage> libraryStorage_;
    bool hasDeferredICloudChoice_ = false;

    // Plain main-actor fields.
    std::optional<TaskHandle> pumpTask_;
    std::optional<TaskHandle> changesTask_;
    bool isPumping_ = false;
    Date lastRegroup_ = Date::distantPast();
    double currentPumpInterval_ = busyPumpInterval;
    // The digest fill stopped with digests left to read: the pump keeps its short interval.
    bool digestsToFill_ = false;
    std::set<std::string> touchedThisSession_;
    std::int64_t overridesThisSession_ = 0;
    std::int64_t resetsThisSession_ = 0;
    std::optional<std::string> libraryNotice_;
    bool storageBlocked_ = false;
    std::optional<std::string> storageNotice_;
    std::optional<std::string> albumNotice_;
    // Why the rejects album last failed to follow the review, until it has caught up.
    std::optional<std::string> albumFailure_;

    // Held by a task across a settings save and its read-back; never while hopping.
    std::mutex settingsSaves_;
    // Settings changes are stored, shown and reported in the order they were made.
    CallOrder settingsOrder_;
    Observers observers_;
    // Shared with the quit's flush thread, which may outlive the model.
    std::shared_ptr<ActionsInFlight> actionsInFlight_ = std::make_shared<ActionsInFlight>();
    // Last: the tasks end before anything they use goes away.
    ModelTasks tasks_;
};

} // namespace keepsift::app
