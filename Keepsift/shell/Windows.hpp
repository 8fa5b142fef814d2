#pragma once

#include <memory>

#include "Keepsift/shell/WindowPresenter.hpp"

namespace keepsift::app {

class AppModel;

// The review and settings presenters, one of each for the life of the application.
class Windows {
public:
    explicit Windows(std::shared_ptr<UserDefaults> frames);
    ~Windows();

    WindowPresenter review;
    WindowPresenter settings;
};

// The process-wide model and windows, set once by the application (nothing before).
AppModel* sharedModel();
void setSharedModel(AppModel* model);
void setSharedWindows(Windows* windows);

// Shows the review window, or the first-run window while its notice is pending.
void showReviewWindow(AppModel& model);
void showSettingsWindow(AppModel& model);
// Closes the menu-bar popup when it is the active window.
void dismissMenuBarPopover();
// Keepsift's own library-access settings live in its settings window.
void openPhotosPrivacySettings();

} // namespace keepsift::app
