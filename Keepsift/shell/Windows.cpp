#include "Keepsift/shell/Windows.hpp"

#include <QApplication>

#include "Keepsift/model/AppModel.hpp"
#include "Keepsift/shell/WindowHooks.hpp"
#include "core/settings/Keepsift.hpp"

namespace keepsift::app {
namespace {

AppModel* theModel = nullptr;
Windows* theWindows = nullptr;

QWidget* contentOf(const std::function<QWidget*(AppModel&)>& hook, AppModel& model) {
    return hook ? hook(model) : new QWidget;
}

} // namespace

WindowHooks& windowHooks() {
    static WindowHooks hooks;
    return hooks;
}

Windows::Windows(std::shared_ptr<UserDefaults> frames)
    : review({"review", {980, 680}, true, false}, frames),
      settings({"settings", {480, 640}, false, true}, frames) {}

Windows::~Windows() {
    if (theWindows == this) theWindows = nullptr;
}

AppModel* sharedModel() {
    return theModel;
}

void setSharedModel(AppModel* model) {
    theModel = model;
}

void setSharedWindows(Windows* windows) {
    theWindows = windows;
}

void showReviewWindow(AppModel& model) {
    if (model.needsFirstRunNotice()) {
        if (windowHooks().showFirstRunIfNeeded) windowHooks().showFirstRunIfNeeded(model);
        return;
    }
    if (!theWindows) return;
    WindowPresenter& presenter = theWindows->review;
    presenter.onOpen = [&model] { model.beginReviewSession(); };
    presenter.onClose = [&model] { model.reportSession(); };
    presenter.present(QString::fromUtf8(Keepsift::name.data(), Keepsift::name.size()),
                      [&model] { return contentOf(windowHooks().reviewContent, model); });
}

void showSettingsWindow(AppModel& model) {
    if (!theWindows) return;
    const QString title = QString::fromUtf8(Keepsift::name.data(), Keepsift::name.size()) +
                          (model.settings().language == "de" ? QStringLiteral(" Einstellungen")
                                                             : QStringLiteral(" Settings"));
    theWindows->settings.present(
        title, [&model] { return contentOf(windowHooks().settingsContent, model); });
}

void dismissMenuBarPopover() {
    QWidget* active = QApplication::activeWindow();
    // The popup is the only window of the application without an identifier.
    if (active == nullptr || !active->objectName().isEmpty()) return;
    if (active->windowFlags().testFlag(Qt::Popup)) active->close();
}

void openPhotosPrivacySettings() {
    if (AppModel* model = sharedModel()) showSettingsWindow(*model);
}

} // namespace keepsift::app
