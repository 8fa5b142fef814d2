#include <chrono>
#include <semaphore>
#include <thread>

#include "Keepsift/model/AppModel.hpp"
#include "core/support/FreedMemory.hpp"

namespace keepsift::app {

void AppModel::launch(std::function<void()> flow, Done done) {
    tasks_.spawn([this, flow = std::move(flow), done = std::move(done)] {
        flow();
        if (done) tasks_.post(done);
    });
}

void AppModel::loadFirstRunState(Done done) {
    launch([this] { loadFirstRunStateFlow(); }, std::move(done));
}

void AppModel::loadFirstRunStateFlow() {
    const bool seen = store_->hasSeenFirstRunNotice();
    onMain([&] { setNeedsFirstRunNotice(!seen); });
}

void AppModel::start(Done done, Done settingsRead) {
    launch([this, settingsRead = std::move(settingsRead)] { startFlow(settingsRead); },
           std::move(done));
}

void AppModel::startFlow(const Done& settingsRead) {
    const Settings stored = store_->settings();
    onMain([&] { setSettings(stored); });
    if (settingsRead) tasks_.post(settingsRead);
    loadFirstRunStateFlow();
    telemetryRestore();
    const auto [telemetryEnabled, firstRunPending, scanning] = onMain([&] {
        return std::tuple(settings_.telemetryEnabled, needsFirstRunNotice_,
                          settings_.scanningEnabled);
    });
    telemetrySetEnabled(telemetryEnabled);
    telemetryLaunched();
    // The access prompt waits for the first-run window to be accepted.
    if (firstRunPending)
        engine_->refreshAuthorization();
    else
        engine_->ensureAuthorization(scanning);
    const LibraryStorage storage = engine_->refreshStorageMode();
    onMain([&] { setLibraryStorage(storage); });
    applyBatchLimitFlow();
    onMain([&] {
        startUpdaterIfNeeded();
        updateLoginItem();
    });
    if (!waitForStorageFlow()) return;
    // Followed from before the library is first listed, and during the first pass: a
    // photograph removed meanwhile would otherwise stay counted until the next start.
    auto changes = engine_->libraryChanges();
    onMain([&] { startLibraryChanges(std::move(changes)); });
    reconcileLibraryFlow();
    returnFreedMemory();
    onMain([&] { startPump(); });
}

void AppModel::flushBeforeQuit(double timeout) {
    // The flush runs on a thread of its own, so nothing on its way needs the blocked caller;
    // one still running when the time is up is cut off when the process ends. The review
    // actions the window took before the quit come first: the flush then saves them with
    // their album writes.
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(timeout));
    auto flushed = std::make_shared<std::binary_semaphore>(0);
    std::thread([engine = engine_, actions = actionsInFlight_, flushed, deadline] {
        actions->awaitLanded(deadline);
        engine->flush();
        flushed->release();
    }).detach();
    (void)flushed->try_acquire_until(deadline);
}

} // namespace keepsift::app
