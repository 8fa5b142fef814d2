#include "Keepsift/views/hooks/DesktopViewHooks.hpp"

#include <QCoreApplication>

#include "Keepsift/shell/WindowHooks.hpp"
#include "Keepsift/shell/Windows.hpp"
#include "Keepsift/views/firstrun/FirstRunWindow.hpp"
#include "Keepsift/views/popover/MenuBarItem.hpp"
#include "Keepsift/views/settings/SettingsView.hpp"

namespace keepsift::app {
namespace {

WindowActions shellActions(AppModel& model) {
    WindowActions actions;
    actions.showReview = [&model] { showReviewWindow(model); };
    actions.showSettings = [&model] { showSettingsWindow(model); };
    actions.dismissPopover = [] { dismissMenuBarPopover(); };
    actions.openPrivacySettings = [] { openPhotosPrivacySettings(); };
    actions.quit = [] { QCoreApplication::quit(); };
    return actions;
}

} // namespace

void installDesktopViewHooks() {
    WindowHooks& hooks = windowHooks();
    hooks.settingsContent = [](AppModel& model) -> QWidget* {
        return new SettingsView(model, shellActions(model));
    };
    hooks.showFirstRunIfNeeded = [](AppModel& model) { FirstRunWindow::showIfNeeded(model); };
    hooks.startMenuBarItem = [](AppModel& model) {
        // Lives as long as the application; the model outlives every use of it.
        auto* item = new MenuBarItem(model, shellActions(model), qApp);
        item->start();
        windowHooks().announce = [item](const QString& message) { item->announce(message); };
    };
}

} // namespace keepsift::app
