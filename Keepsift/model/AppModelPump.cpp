#include "Keepsift/model/AppModel.hpp"

#include "core/model/LibraryUnavailable.hpp"
#include "core/support/FreedMemory.hpp"

namespace keepsift::app {

void AppModel::startPump() {
    if (pumpTask_) pumpTask_->cancel();
    const double interval = pumpInterval();
    currentPumpInterval_ = interval;
    pumpTask_ = tasks_.spawn([this, interval] { pumpTaskBody(interval); });
}

void AppModel::pumpTaskBody(double interval) {
    while (!ModelTasks::isCancelled()) {
        // The sleep comes first; cancellation only cuts it short.
        services_.sleeper->sleep(interval, ModelTasks::currentStop());
        if (ModelTasks::isCancelled()) return;
        pumpOnceFlow(DigestPace::untilDone);
        // A permission changed outside the application is picked up within one interval.
        const bool recheck = onMain([&] {
            return accessNotice().has_value() ||
                   snapshot_.authorization == LibraryAuthorization::notDetermined;
        });
        if (recheck) {
            engine_->refreshAuthorization();
            refreshFlow();
        }
        onMain([&] {
            if (pumpTask_ && currentPumpInterval_ != pumpInterval()) startPump();
        });
    }
}

void AppModel::pumpOnce(Done done) {
    launch([this] { pumpOnceFlow(); }, std::move(done));
}

void AppModel::pumpOnceFlow(DigestPace pace) {
    refreshFlow();
    const bool entered = onMain([&] {
        if (isPumping_ || readiness_ != QueueReadiness::run || storageBlocked_) return false;
        isPumping_ = true;
        return true;
    });
    if (!entered) return;
    try {
        const auto steps = analyseWhileWorkFlow();
        if (steps == 0) fillDigestsWhileIdleFlow(pace);
        finishPumpStepFlow(steps);
    } catch (const ModelShutDown&) {
        throw;
    } catch (...) {
        // The guard must not stay closed for the rest of the process.
        onMain([&] {
            isPumping_ = false;
            setIsWorking(false);
        });
        throw;
    }
}

std::int64_t AppModel::analyseWhileWorkFlow() {
    std::int64_t steps = 0;
    while (engine_->analyseNext(workConditionsFlow())) {
        ++steps;
        const bool regroupDue = onMain([&] {
            if (steps == 1) setIsWorking(true);
            if (clock_->now().since(lastRegroup_) < regroupSpacing) return false;
            lastRegroup_ = clock_->now();
            return true;
        });
        if (regroupDue) {
            engine_->regroup();
            refreshFlow();
        }
        if (ModelTasks::isCancelled()) break;
    }
    return steps;
}

// Idle steps read back files whose status changed since their review, and let reviews from
// before digests were kept follow their files. In the pump task, whose steps nobody waits
// for, the fill goes on as measuring does, one short engine step after another, until it is
// held or done; a step that the start, a library change or a setting waits for reads one
// engine step's worth and leaves the rest to the pump task.
// A fill held before it read anything leaves what is known of it as it was.
void AppModel::fillDigestsWhileIdleFlow(DigestPace pace) {
    std::optional<DigestFill> left;
    while (true) {
        const DigestFill step = engine_->fillContentDigests(workConditionsFlow());
        if (step != DigestFill::held) left = step;
        if (step != DigestFill::more || pace != DigestPace::untilDone || ModelTasks::isCancelled())
            break;
    }
    if (left) onMain([&] { digestsToFill_ = left == DigestFill::more; });
}

void AppModel::finishPumpStepFlow(std::int64_t steps) {
    if (steps >= 1) {
        onMain([&] { lastRegroup_ = clock_->now(); });
        engine_->regroup();
        engine_->flush();
        if (restMeasuring_) restMeasuring_();
        returnFreedMemory();
    }
    try {
        engine_->syncRejectsAlbumIfNeeded();
        albumFollowedFlow();
    } catch (const std::exception& error) {
        albumBehindFlow(error.what(), std::nullopt);
    }
    refreshFlow();
    onMain([&] {
        isPumping_ = false;
        setIsWorking(false);
    });
}

void AppModel::startLibraryChanges(LibraryChangeStream subscribed) {
    if (changesTask_) changesTask_->cancel();
    changesTask_ = tasks_.spawn([this, subscribed] { changesTaskBody(subscribed); });
}

void AppModel::changesTaskBody(LibraryChangeStream subscribed) {
    const LibraryChangeStream stream = subscribed ? subscribed : engine_->libraryChanges();
    struct Leave {
        const LibraryChangeStream& stream;
        ~Leave() { stream->cancel(); }
    } leave{stream};
    while (auto change = stream->next(ModelTasks::currentStop())) {
        if (ModelTasks::isCancelled()) return;
        // A refresh that found the library as the index knows it has nothing to regroup.
        if (handleLibraryChangeFlow(*change)) engine_->regroup();
        refreshFlow();
        pumpOnceFlow();
    }
}

// A library that went away while the application runs (a drive unmounted, the folder moved)
// is named in the notice until a later refresh reads it again.
bool AppModel::handleLibraryChangeFlow(const LibraryChange& change) {
    try {
        const bool changed = engine_->handleLibraryChange(change);
        if (std::holds_alternative<change::NeedsRefresh>(change))
            onMain([&] { clearLibraryUnavailable(); });
        return changed;
    } catch (const LibraryUnavailable& error) {
        log_.error(std::string("refresh failed: ") + error.what());
        onMain([&] { showLibraryUnavailable(error.folder()); });
        return false;
    }
}

void AppModel::extendBatch(std::int64_t byGroups, Done done) {
    launch(
        [this, byGroups] {
            engine_->extendBatch(byGroups);
            pumpOnceFlow();
        },
        std::move(done));
}

} // namespace keepsift::app
