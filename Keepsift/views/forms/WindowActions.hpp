#pragma once

#include <functional>

namespace keepsift::app {

// What the shell lets the popover and the windows do beyond the model: open the other
// windows, close the popover, show Keepsift's library-access settings and quit. An unset
// action does nothing.
struct WindowActions {
    std::function<void()> showReview;
    std::function<void()> showSettings;
    std::function<void()> dismissPopover;
    std::function<void()> openPrivacySettings;
    std::function<void()> quit;

    static void run(const std::function<void()>& action) {
        if (action) action();
    }
};

} // namespace keepsift::app
