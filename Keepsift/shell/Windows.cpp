#include "Keepsift/shell/Windows.hpp"

#include <QApplication>

#include "Keepsift/model/AppModel.hpp"
#include "core/settings/Keepsift.hpp"

namespace keepsift::app {

Windows::Windows(std::shared_ptr<UserDefaults> frames, WindowMaker& maker, ShellActions actions)
    : review({"review", {980, 680}, true, false}, frames),
      settings({"settings", {480, 640}, false, true}, frames), maker_(maker),
      actions_(std::move(actions)) {}

void Windows::showReview(AppModel& model) {
    if (model.needsFirstRunNotice()) return maker_.showFirstRunIfNeeded(model);
    review.onOpen = [&model] { model.beginReviewSession(); };
    review.onClose = [&model] { model.reportSession(); };
    review.present(QString::fromUtf8(Keepsift::name.data(), Keepsift::name.size()),
                   [this, &model] { return maker_.reviewContent(model, actions_); });
}

void Windows::showSettings(AppModel& model) {
    const QString title = QString::fromUtf8(Keepsift::name.data(), Keepsift::name.size()) +
                          (model.settings().language == "de" ? QStringLiteral(" Einstellungen")
                                                             : QStringLiteral(" Settings"));
    settings.present(title, [this, &model] { return maker_.settingsContent(model, actions_); });
}

void Windows::closeAll() {
    for (WindowPresenter* presenter : {&review, &settings})
        if (QWidget* window = presenter->window(); window && window->isVisible()) window->close();
}

void dismissMenuBarPopover() {
    QWidget* active = QApplication::activeWindow();
    // The popup is the only window of the application without an identifier.
    if (active == nullptr || !active->objectName().isEmpty()) return;
    if (active->windowFlags().testFlag(Qt::Popup)) active->close();
}

} // namespace keepsift::app
