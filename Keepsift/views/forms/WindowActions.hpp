#pragma once

#include <functional>

class QWidget;

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

class AppModel;

// What a window does each time it is shown: the library permission and then the model are
// refreshed, so what it shows is fresh. Work left when the widget is gone or hidden is
// dropped; `appeared` (when set) is told at the end.
void refreshOnAppearance(QWidget* widget, AppModel& model, std::function<void()> appeared);

} // namespace keepsift::app
