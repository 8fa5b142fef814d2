#include <utility>

#include "Keepsift/model/AlbumNotice.hpp"
#include "Keepsift/model/AppModel.hpp"

namespace keepsift::app {

// A review action is always answered; the pump tries again at every step, and a cause it
// met before is neither logged nor shown again, so that a card that takes no links does not
// fill the log or push other notices aside.
void AppModel::albumBehindFlow(const std::string& why, const std::optional<std::string>& action) {
    const bool fresh = onMain([&] {
        const bool fresh = albumFailure_ != why;
        albumFailure_ = why;
        if (action || fresh)
            raiseNotice(albumNotice_, albumNotUpdatedNotice(why, settings_.language));
        return fresh;
    });
    if (action)
        log_.error(*action + " is kept, but the rejects album could not be updated: " + why);
    else if (fresh)
        log_.error("the rejects album could not be updated: " + why);
}

void AppModel::albumFollowedFlow() {
    if (engine_->albumNeedsSync()) return;
    const bool caughtUp = onMain([&] {
        withdrawNotice(albumNotice_);
        return std::exchange(albumFailure_, std::nullopt).has_value();
    });
    if (caughtUp) log_.notice("the rejects album is up to date again");
}

} // namespace keepsift::app
