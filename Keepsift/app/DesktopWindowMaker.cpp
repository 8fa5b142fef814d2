#include "Keepsift/app/DesktopWindowMaker.hpp"

#include <QCoreApplication>

#include "Keepsift/images/LibraryImageSource.hpp"
#include "Keepsift/views/ReviewWindow.hpp"
#include "Keepsift/views/SwatchImageSource.hpp"
#include "Keepsift/views/firstrun/FirstRunWindow.hpp"
#include "Keepsift/views/popover/MenuBarItem.hpp"
#include "Keepsift/views/settings/SettingsView.hpp"

namespace keepsift::app {
namespace {

WindowActions windowActions(const ShellActions& shell) {
    WindowActions actions;
    actions.showReview = shell.showReview;
    actions.showSettings = shell.showSettings;
    actions.dismissPopover = shell.dismissPopover;
    actions.openPrivacySettings = shell.openLibraryAccess;
    actions.quit = shell.quit;
    return actions;
}

} // namespace

std::shared_ptr<ImageSource> DesktopWindowMaker::imageSource(std::shared_ptr<PhotoLibraryPort> port,
                                                             std::shared_ptr<MainActor> mainActor) {
    if (!port) return std::make_shared<SwatchImageSource>(std::move(mainActor));
    return std::make_shared<LibraryImageSource>(
        std::move(port), [mainActor = std::move(mainActor)](std::function<void()> work) {
            mainActor->post(std::move(work));
        });
}

QWidget* DesktopWindowMaker::reviewContent(AppModel& model, const ShellActions& actions) {
    ReviewWindow::Hooks hooks;
    hooks.openPrivacySettings = actions.openLibraryAccess;
    hooks.showSettings = actions.showSettings;
    hooks.quit = actions.quit;
    return new ReviewWindow(model, nullptr, hooks);
}

QWidget* DesktopWindowMaker::settingsContent(AppModel& model, const ShellActions& actions) {
    return new SettingsView(model, windowActions(actions));
}

void DesktopWindowMaker::showFirstRunIfNeeded(AppModel& model) {
    FirstRunWindow::showIfNeeded(model);
}

bool DesktopWindowMaker::startMenuBarItem(AppModel& model, const ShellActions& actions) {
    // Lives as long as the application; the model outlives every use of it.
    item_ = new MenuBarItem(model, windowActions(actions), qApp);
    item_->start();
    return true;
}

bool DesktopWindowMaker::showStatusWindow() {
    return item_ && item_->showStandIn();
}

void DesktopWindowMaker::announce(const QString& message) {
    if (item_) item_->announce(message);
}

} // namespace keepsift::app
