#pragma once

#include <memory>

#include "Keepsift/shell/WindowMaker.hpp"
#include "Keepsift/shell/WindowPresenter.hpp"

namespace keepsift::app {

class AppModel;

// The review and settings windows, one of each for the life of the application, with the
// contents the maker gives.
class Windows {
public:
    Windows(std::shared_ptr<UserDefaults> frames, WindowMaker& maker, ShellActions actions);

    // Shows the review window, or the first-run window while its notice is pending.
    void showReview(AppModel& model);
    void showSettings(AppModel& model);
    // Closes whichever is open, as the user would: the frame is kept, the session reported.
    void closeAll();

    WindowPresenter review;
    WindowPresenter settings;

private:
    WindowMaker& maker_;
    ShellActions actions_;
};

// Closes the menu-bar popup when it is the active window.
void dismissMenuBarPopover();

} // namespace keepsift::app
