#include "Keepsift/model/AppModel.hpp"
#include "Keepsift/model/StorageNotice.hpp"

namespace keepsift::app {

// Without a place to keep decisions nothing is flagged: flags made now would be lost, and
// with the index unread every photograph kept by hand would be flagged again. The engine
// reads its files once they can be had.
bool AppModel::waitForStorageFlow() {
    std::optional<std::string> logged;
    while (const auto reason = engine_->storageUnavailability()) {
        if (reason != logged)
            log_.error("the review cannot be saved (" + *reason +
                       "); nothing is flagged until it can");
        logged = reason;
        onMain([&] {
            storageBlocked_ = true;
            showStorageUnavailable(*reason);
        });
        services_.sleeper->sleep(storageRetryInterval, ModelTasks::currentStop());
        if (ModelTasks::isCancelled()) return false;
    }
    if (logged) {
        engine_->reloadFiles();
        log_.notice("the review can be saved again");
    }
    onMain([&] {
        storageBlocked_ = false;
        clearStorageUnavailable();
    });
    return true;
}

void AppModel::showStorageUnavailable(const std::string& reason) {
    raiseNotice(storageNotice_, storageUnavailableNotice(reason, settings_.language));
}

void AppModel::clearStorageUnavailable() {
    withdrawNotice(storageNotice_);
}

} // namespace keepsift::app
