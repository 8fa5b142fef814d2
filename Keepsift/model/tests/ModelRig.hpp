#pragma once

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <future>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "Keepsift/model/AppModel.hpp"
#include "Keepsift/model/SerialMainActor.hpp"
#include "core/engine/tests/EngineRig.hpp"
#include "core/model/LibraryUnavailable.hpp"
#include "core/storage/MemoryStorage.hpp"
#include "core/telemetry/RecordingSink.hpp"
#include "core/text/Strings.hpp"

namespace keepsift::app::testing {

using keepsift::testing::Shot;
using namespace std::chrono_literals;

// Every wait of a test ends here at the latest: a guard against a hang, not a timing.
inline constexpr auto patience = 20s;

// Hands each pause of the pump to the test, which lets it end with wake().
class FakeSleeper : public Sleeper {
public:
    bool sleep(double seconds, std::stop_token stop) override {
        std::unique_lock lock(mutex_);
        requests_.push_back(seconds);
        changed_.notify_all();
        changed_.wait(lock, stop, [&] { return wakes_ > 0; });
        if (wakes_ == 0) return false;
        --wakes_;
        return true;
    }

    // The interval of the pause with this number (0 for the first), once a task asked for it.
    double request(size_t number) {
        std::unique_lock lock(mutex_);
        if (!changed_.wait_for(lock, patience, [&] { return requests_.size() > number; }))
            throw std::runtime_error("no pump task slept");
        return requests_[number];
    }
    size_t requests() {
        std::lock_guard lock(mutex_);
        return requests_.size();
    }
    void wake() {
        {
            std::lock_guard lock(mutex_);
            ++wakes_;
        }
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable_any changed_;
    std::vector<double> requests_;
    int wakes_ = 0;
};

class FakeLoginItem : public LoginItem {
public:
    bool setLaunchAtLogin(bool enabled) override {
        calls.push_back(enabled);
        return refuses ? false : enabled;
    }
    std::vector<bool> calls;
    bool refuses = false;
};

class FakeProbe : public ConditionsProbe {
public:
    WorkConditions current(const Settings& settings, bool canReadLibrary) override {
        std::lock_guard lock(mutex);
        WorkConditions conditions = machine;
        conditions.scanningEnabled = settings.scanningEnabled;
        conditions.isPaused = settings.isPaused;
        conditions.mainsOnly = settings.mainsOnly;
        conditions.canReadLibrary = canReadLibrary;
        return conditions;
    }
    std::mutex mutex;
    WorkConditions machine = keepsift::testing::runnable();
};

class FakeUpdater : public Updater {
public:
    void setAutomaticallyChecksForUpdates(bool checks) override { automatic = checks; }
    bool automaticallyChecksForUpdates() const override { return automatic; }
    bool canCheckForUpdates() const override { return true; }
    void checkForUpdates() override {}
    bool automatic = false;
};

class FakeUpdaterFactory : public UpdaterFactory {
public:
    bool isConfigured() const override { return configured; }
    std::shared_ptr<Updater> make() override {
        ++made;
        return std::make_shared<FakeUpdater>();
    }
    bool configured = true;
    int made = 0;
};

// File storage whose writes can be made to fail, as a full disk would, or to wait; that
// can be made unusable as a whole, or keep one file from being opened.
class FlakyFileStorage : public MemoryFileStorage {
public:
    void write(const Data& data, const std::string& name) override {
        if (beforeWrite) beforeWrite();
        if (failing) throw std::runtime_error("disk full");
        MemoryFileStorage::write(data, name);
        std::lock_guard lock(mutex_);
        ++writes_[name];
    }
    // How many times the file was written.
    int writesOf(const std::string& name) const {
        std::lock_guard lock(mutex_);
        const auto found = writes_.find(name);
        return found == writes_.end() ? 0 : found->second;
    }
    std::optional<Data> read(const std::string& name) const override {
        return openError(name) != 0 ? std::nullopt : MemoryFileStorage::read(name);
    }
    std::optional<std::string> unavailability() const override {
        std::lock_guard lock(mutex_);
        return unavailable_;
    }
    int openError(const std::string& name) const override {
        std::lock_guard lock(mutex_);
        return name == unopened_ ? EACCES : 0;
    }
    void setUnavailable(std::optional<std::string> reason) {
        std::lock_guard lock(mutex_);
        unavailable_ = std::move(reason);
    }
    void setUnopened(std::string name) {
        std::lock_guard lock(mutex_);
        unopened_ = std::move(name);
    }
    std::atomic<bool> failing = false;
    std::function<void()> beforeWrite;

private:
    mutable std::mutex mutex_;
    std::optional<std::string> unavailable_;
    std::string unopened_;
    std::map<std::string, int> writes_;
};

// A gate a hook waits at until the test opens it; it tells the test who arrived.
class Gate {
public:
    void pass() {
        std::unique_lock lock(mutex_);
        ++arrived_;
        changed_.notify_all();
        changed_.wait(lock, [&] { return open_; });
    }
    void awaitArrival(int count = 1) {
        std::unique_lock lock(mutex_);
        if (!changed_.wait_for(lock, patience, [&] { return arrived_ >= count; }))
            throw std::runtime_error("nobody arrived at the gate");
    }
    void open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    int arrived() {
        std::lock_guard lock(mutex_);
        return arrived_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int arrived_ = 0;
    bool open_ = false;
};

// The library of the model tests; it counts the storage probes and can hold a listing.
class RigLibrary : public ScriptedLibrary {
public:
    using ScriptedLibrary::ScriptedLibrary;
    LibraryStorage storageMode() override {
        ++storageProbes;
        return ScriptedLibrary::storageMode();
    }
    std::vector<LibraryAsset> fetchAssets() override {
        if (beforeFetch) beforeFetch();
        if (fetchFails) throw std::runtime_error("listing failed");
        if (unavailableFolder) throw LibraryUnavailable("folder gone", *unavailableFolder);
        return ScriptedLibrary::fetchAssets();
    }
    DeletionReport deleteAssets(const std::vector<std::string>& ids,
                                const ReviewedContents& reviewed) override {
        if (beforeDelete) beforeDelete();
        return ScriptedLibrary::deleteAssets(ids, reviewed);
    }
    std::optional<std::string> contentDigest(const std::string& id) override {
        if (beforeDigest) beforeDigest(id);
        return ScriptedLibrary::contentDigest(id);
    }
    LibraryChangeStream changes() override {
        auto stream = ScriptedLibrary::changes();
        latestStream = stream;
        if (onStream) onStream();
        return stream;
    }
    std::atomic<int> storageProbes = 0;
    std::atomic<bool> fetchFails = false;
    std::optional<std::string> unavailableFolder;
    std::function<void()> beforeFetch;
    std::function<void()> beforeDelete;
    std::function<void()> onStream;
    std::function<void(const std::string& id)> beforeDigest;
    // The stream handed out last, for changes the scripted library does not make itself.
    LibraryChangeStream latestStream;
};

// A signal source that runs a hook before each measurement.
class HookedSource : public SignalSource {
public:
    explicit HookedSource(std::shared_ptr<SignalSource> inner) : inner_(std::move(inner)) {}
    std::optional<PhotoSignals> signals(const AssetReference& reference) override {
        if (beforeEach) beforeEach();
        return inner_->signals(reference);
    }
    std::optional<PhotoSignals> derivativeSignals(const AssetReference& reference) override {
        return inner_->derivativeSignals(reference);
    }
    std::function<void()> beforeEach;

private:
    std::shared_ptr<SignalSource> inner_;
};

// Key-value storage that lets a test wait for a write made by a task nobody awaits.
class WatchedStorage : public MemoryStorage {
public:
    void set(const std::optional<Data>& data, const std::string& key) override {
        if (beforeSet) beforeSet(key);
        MemoryStorage::set(data, key);
        {
            std::lock_guard lock(mutex_);
            ++writes_;
        }
        changed_.notify_all();
    }
    // Checks `holds` now and after every write.
    void waitUntil(const std::function<bool()>& holds) {
        std::unique_lock lock(mutex_);
        while (true) {
            const auto seen = writes_;
            lock.unlock();
            if (holds()) return;
            lock.lock();
            if (!changed_.wait_for(lock, patience, [&] { return writes_ != seen; }))
                throw std::runtime_error("the storage never got there");
        }
    }

    std::function<void(const std::string& key)> beforeSet;

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::uint64_t writes_ = 0;
};

struct RigOptions {
    std::vector<Shot> shots = keepsift::testing::momentAndSolitary;
    LibraryAuthorization authorization = LibraryAuthorization::authorized;
    LibraryStorage storage = LibraryStorage::local;
    std::optional<WorkConditions> fixedConditions;
    bool seenFirstRun = true;
    std::optional<Settings> storedSettings;
    std::shared_ptr<Clock> clock = std::make_shared<FixedClock>(Date{86400.0 * 10000});
    std::function<bool(bool granted)> recordLibraryConsent;
    // Shapes the file storage before the engine reads it.
    std::function<void(FlakyFileStorage&)> prepareFiles;
    std::optional<std::string> missingPictures;
    std::string launchCommand = "keepsift";
    std::function<void()> restMeasuring;
    std::optional<std::string> libraryFolder;
};

// A model over a scripted library, fixture signals, storage in memory, a recording
// telemetry sink, fakes for the system services and a serial main actor.
struct ModelRig {
    std::shared_ptr<SerialMainActor> actor = std::make_shared<SerialMainActor>();
    std::shared_ptr<RigLibrary> library;
    std::shared_ptr<HookedSource> source;
    std::shared_ptr<FlakyFileStorage> files = std::make_shared<FlakyFileStorage>();
    std::shared_ptr<MutableClock> engineClock =
        std::make_shared<MutableClock>(Date{keepsift::testing::rigStart + 86400});
    std::shared_ptr<ScanEngine> engine;
    std::shared_ptr<WatchedStorage> values = std::make_shared<WatchedStorage>();
    std::shared_ptr<KeepsiftStore> store;
    std::shared_ptr<RecordingSink> sink = std::make_shared<RecordingSink>();
    std::shared_ptr<TelemetryReporter> reporter;
    std::shared_ptr<FakeLoginItem> loginItem = std::make_shared<FakeLoginItem>();
    std::shared_ptr<FakeProbe> probe = std::make_shared<FakeProbe>();
    std::shared_ptr<FakeUpdaterFactory> updaters = std::make_shared<FakeUpdaterFactory>();
    std::shared_ptr<FakeSleeper> sleeper = std::make_shared<FakeSleeper>();
    std::vector<LogRecord> logs;
    std::mutex logMutex;
    std::unique_ptr<AppModel> model;

    explicit ModelRig(RigOptions options = {}) {
        Logger::setSinkForTesting([this](const LogRecord& record) {
            std::lock_guard lock(logMutex);
            logs.push_back(record);
        });
        library = std::make_shared<RigLibrary>(keepsift::testing::assetsOf(options.shots),
                                               options.authorization, std::nullopt, true,
                                               options.storage);
        source = std::make_shared<HookedSource>(std::make_shared<FixtureSignalSource>(
            keepsift::testing::recordingsOf(options.shots), FixtureSignalSource::Miss::refuse));
        if (options.prepareFiles) options.prepareFiles(*files);
        engine = std::make_shared<ScanEngine>(library, source, files, engineClock);
        if (options.seenFirstRun) values->set(Json(true).dump(), "keepsift.seenFirstRunNotice");
        if (options.storedSettings)
            values->set(options.storedSettings->toJson().dump(), "keepsift.settings");
        store = std::make_shared<KeepsiftStore>(values, "en");
        reporter =
            std::make_shared<TelemetryReporter>(sink, options.clock, false, TelemetryMemory{});
        AppModel::Parts parts;
        parts.engine = engine;
        parts.store = store;
        parts.telemetry = reporter;
        parts.clock = options.clock;
        parts.startsUpdater = true;
        parts.fixedConditions = options.fixedConditions;
        parts.missingPictures = options.missingPictures;
        parts.launchCommand = options.launchCommand;
        parts.restMeasuring = options.restMeasuring;
        parts.libraryFolder = options.libraryFolder;
        model = std::make_unique<AppModel>(
            std::move(parts), AppModel::Services{actor, loginItem, probe, updaters, sleeper,
                                                 options.recordLibraryConsent});
    }

    ~ModelRig() {
        model.reset();
        Logger::setSinkForTesting({});
    }

    // Runs `work` on the main actor and gives back its result.
    template <class Work> auto onMain(Work work) {
        using Result = std::invoke_result_t<Work>;
        if constexpr (std::is_void_v<Result>) {
            actor->runAndWait(work);
        } else {
            std::optional<Result> result;
            actor->runAndWait([&] { result.emplace(work()); });
            return std::move(*result);
        }
    }

    // Starts an operation on the main actor and waits until it reports that it is done.
    void await(const std::function<void(AppModel::Done)>& operation) {
        auto finished = std::make_shared<std::promise<void>>();
        auto done = finished->get_future();
        onMain([&] { operation([finished] { finished->set_value(); }); });
        if (done.wait_for(patience) != std::future_status::ready)
            throw std::runtime_error("the operation did not finish");
    }

    std::int64_t awaitDelete(std::optional<std::set<std::string>> groups, std::int64_t expected) {
        auto finished = std::make_shared<std::promise<std::int64_t>>();
        auto done = finished->get_future();
        onMain([&] {
            model->confirmDelete(groups, expected, [finished](std::int64_t deleted) {
                finished->set_value(deleted);
            });
        });
        if (done.wait_for(patience) != std::future_status::ready)
            throw std::runtime_error("the delete did not finish");
        return done.get();
    }

    // Waits until `holds` is true on the main actor, checking after every announcement.
    void waitUntil(const std::function<bool()>& holds) {
        auto mutex = std::make_shared<std::mutex>();
        auto changed = std::make_shared<std::condition_variable>();
        auto met = std::make_shared<bool>(false);
        auto check = [=] {
            if (!holds()) return;
            std::lock_guard lock(*mutex);
            *met = true;
            changed->notify_all();
        };
        ObservationToken token =
            onMain([&] { return model->observe([check](Property) { check(); }); });
        onMain(check);
        std::unique_lock lock(*mutex);
        const bool reached = changed->wait_for(lock, patience, [&] { return *met; });
        lock.unlock();
        onMain([&] { token.cancel(); });
        if (!reached) throw std::runtime_error("the condition never held");
    }

    // Turns of the pump task, one after another, until `holds`: a step asked for while another
    // runs returns at once, and the task's next turn is what takes up the work it left.
    void pumpUntil(const std::function<bool()>& holds) {
        const auto deadline = std::chrono::steady_clock::now() + patience;
        while (!onMain(holds)) {
            if (std::chrono::steady_clock::now() > deadline)
                throw std::runtime_error("the condition never held");
            const size_t turns = sleeper->requests();
            sleeper->wake();
            sleeper->request(turns);
        }
    }

    // The library's photographs known to the engine and queued, nothing measured.
    void queueLibrary() {
        engine->refreshAuthorization();
        engine->reconcileWithLibrary();
    }

    // A scan of the whole library, done by the engine alone, then published.
    void scanAndPublish() {
        engine->refreshStorageMode();
        queueLibrary();
        while (engine->analyseNext(keepsift::testing::runnable())) {
        }
        engine->regroup();
        engine->syncRejectsAlbumIfNeeded();
        await([&](auto done) { model->refresh(done); });
    }

    std::vector<LogRecord> logRecords() {
        std::lock_guard lock(logMutex);
        return logs;
    }
    bool logged(LogLevel level, const std::string& message) {
        for (const auto& record : logRecords())
            if (record.level == level && record.message == message && record.category == "shell")
                return true;
        return false;
    }
    bool loggedStarting(LogLevel level, const std::string& prefix) {
        for (const auto& record : logRecords())
            if (record.level == level && record.category == "shell" &&
                record.message.rfind(prefix, 0) == 0)
                return true;
        return false;
    }
    std::vector<std::string> signalNames() { return sink->signalNames(); }
};

} // namespace keepsift::app::testing
