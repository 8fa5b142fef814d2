#include <algorithm>

#include "Keepsift/model/AppModel.hpp"
#include "Keepsift/model/DeleteNotice.hpp"
#include "Keepsift/model/StorageNotice.hpp"
#include "core/support/Checked.hpp"
#include "core/text/Strings.hpp"

namespace keepsift::app {

std::string AppModel::refusalNotice() const {
    return Strings::text(FixedText::libraryRefused, settings_.language);
}

void AppModel::launchReviewAction(std::string action, std::function<void()> count,
                                  std::function<void()> call, Done done) {
    launch([this, action = std::move(action), count = std::move(count), call = std::move(call),
            ticket = actionsInFlight_->take()] { reviewActionFlow(action, count, call, *ticket); },
           std::move(done));
}

// Nothing decided while the review cannot be saved could be kept, so nothing is taken and
// nothing counted. A failure after the engine took the decision is the album's: these
// actions write nothing else to the library, and the decision is saved before the album.
// The count follows the engine's answer: a quit holds the main actor while it waits for the
// action to land, so nothing before the engine call may wait for the main actor.
void AppModel::reviewActionFlow(const std::string& action, const std::function<void()>& count,
                                const std::function<void()>& call,
                                ActionsInFlight::Ticket& ticket) {
    const ActionOutcome outcome = takeReviewAction(call);
    ticket.land();
    if (outcome.refusal) {
        log_.error(action + " refused: the review cannot be saved (" + *outcome.refusal + ")");
        onMain([&] {
            raiseNotice(storageNotice_,
                        decisionNotKeptNotice(*outcome.refusal, settings_.language));
        });
    } else {
        onMain([&] {
            count();
            if (outcome.albumFailure) return;
            setNotice(std::nullopt);
            // A refusal said while nothing could be saved no longer holds.
            if (!storageBlocked_) clearStorageUnavailable();
        });
        if (outcome.albumFailure)
            albumBehindFlow(*outcome.albumFailure, action);
        else
            albumFollowedFlow();
    }
    refreshFlow();
}

AppModel::ActionOutcome AppModel::takeReviewAction(const std::function<void()>& call) {
    if (auto reason = engine_->storageUnavailability()) return {std::move(reason), std::nullopt};
    try {
        call();
    } catch (const std::exception& error) {
        return {std::nullopt, std::string(error.what())};
    }
    return {};
}

void AppModel::countOverride(const std::string& photo) {
    const auto& groups = snapshot_.review.groups;
    const auto holder = std::find_if(groups.begin(), groups.end(), [&](const ReviewGroup& group) {
        return std::any_of(group.photos.begin(), group.photos.end(),
                           [&](const ReviewPhoto& p) { return p.assetID == photo; });
    });
    if (holder != groups.end()) touchedThisSession_.insert(holder->id);
    ++overridesThisSession_;
}

void AppModel::override(bool keep, const std::string& photo, Done done) {
    launchReviewAction(
        "override of " + photo, [this, photo] { countOverride(photo); },
        [this, photo, keep] { engine_->override(photo, keep); }, std::move(done));
}

void AppModel::ignore(const std::string& group, Done done) {
    launchReviewAction(
        "ignore of group " + group, [this, group] { touchedThisSession_.insert(group); },
        [this, group] { engine_->ignore(group); }, std::move(done));
}

void AppModel::reset(const std::string& group, Done done) {
    launchReviewAction(
        "reset of group " + group,
        [this, group] {
            touchedThisSession_.insert(group);
            ++resetsThisSession_;
        },
        [this, group] { engine_->reset(group); }, std::move(done));
}

std::map<std::string, std::int64_t>
AppModel::deleteFileSizes(const std::optional<std::set<std::string>>& groups) const {
    std::map<std::string, std::int64_t> sizes;
    for (const auto& group : snapshot_.review.groups) {
        if (groups && !groups->count(group.id)) continue;
        for (const auto& photo : group.photos)
            if (!photo.isKeeper) sizes[photo.assetID] = std::max<std::int64_t>(photo.fileSize, 0);
    }
    return sizes;
}

void AppModel::confirmDelete(std::optional<std::set<std::string>> groups, std::int64_t expected,
                             DeleteDone done) {
    // One delete at a time; a second confirmation changes nothing.
    if (isDeleting_) {
        if (done) tasks_.post([done] { done(0); });
        return;
    }
    setIsDeleting(true);
    auto sizes = deleteFileSizes(groups);
    tasks_.spawn([this, groups = std::move(groups), expected, sizes = std::move(sizes),
                  done = std::move(done)] {
        const std::int64_t deleted = confirmDeleteFlow(groups, expected, sizes);
        if (done) tasks_.post([done, deleted] { done(deleted); });
    });
}

std::int64_t AppModel::confirmDeleteFlow(const std::optional<std::set<std::string>>& groups,
                                         std::int64_t expected,
                                         const std::map<std::string, std::int64_t>& sizes) {
    std::int64_t deleted = 0;
    try {
        // Refused like the other actions while nothing can be saved; the engine refuses too
        // when the batch cannot be recorded before its first photograph moves.
        if (const auto reason = engine_->storageUnavailability()) throw ReviewNotSaved(*reason);
        const DeletionReport report = engine_->deleteBatch(groups, expected);
        deleted = report.deletedCount();
        reportDeletion(report, sizes);
    } catch (const BatchMoved& moved) {
        onMain([&] { setNotice(Strings::text(FixedText::batchChanged, settings_.language)); });
        log_.info("delete refused: batch moved " + std::to_string(moved.promised) + " → " +
                  std::to_string(moved.current));
    } catch (const ReviewNotSaved& refused) {
        onMain([&] { setNotice(deleteRefusedNotice(refused.what(), settings_.language)); });
        log_.error(std::string("delete refused: the review cannot be saved (") + refused.what() +
                   ")");
    } catch (const std::exception& error) {
        onMain([&] { setNotice(refusalNotice()); });
        log_.error(std::string("delete failed: ") + error.what());
    }
    refreshFlow();
    onMain([&] { setIsDeleting(false); });
    return deleted;
}

// The usage count covers only what reached the Trash, with the size of those photographs.
void AppModel::reportDeletion(const DeletionReport& report,
                              const std::map<std::string, std::int64_t>& sizes) {
    onMain([&] { setNotice(deleteOutcomeNotice(report, settings_.language)); });
    std::string kept;
    for (const auto& photo : report.kept)
        if (photo.reason != KeptReason::declined)
            kept += " " + photo.id + " (" + std::string(toString(photo.reason)) + ")";
    if (!kept.empty())
        log_.error("delete incomplete: " + std::to_string(report.deletedCount()) +
                   " moved, not moved:" + kept);
    if (report.deleted.empty()) return;
    std::int64_t bytes = 0;
    for (const auto& id : report.deleted)
        if (auto size = sizes.find(id); size != sizes.end())
            bytes = saturatingAdd(bytes, size->second);
    telemetryDeleted(report.deletedCount(), bytes);
}

void AppModel::beginReviewSession() {
    touchedThisSession_.clear();
    overridesThisSession_ = 0;
    resetsThisSession_ = 0;
}

void AppModel::reportSession(Done done) {
    if (touchedThisSession_.empty()) {
        if (done) tasks_.post(done);
        return;
    }
    const auto touched = static_cast<std::int64_t>(touchedThisSession_.size());
    const std::int64_t overrides = overridesThisSession_;
    const std::int64_t resets = resetsThisSession_;
    // Cleared before the send, so that a session begun meanwhile keeps its own counts.
    beginReviewSession();
    launch([this, touched, overrides, resets] { telemetrySession(touched, overrides, resets); },
           std::move(done));
}

} // namespace keepsift::app
