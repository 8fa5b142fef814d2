#include "Keepsift/views/ReviewMenu.hpp"

#include "Keepsift/views/ViewTexts.hpp"
#include "core/settings/Keepsift.hpp"

namespace keepsift::app {
namespace {

QAction* command(QMenu* menu, const char* identifier, QKeySequence keys,
                 std::function<void()> action) {
    QAction* command = menu->addAction(QString(), menu, [action = std::move(action)] {
        if (action) action();
    });
    command->setObjectName(QString::fromUtf8(identifier));
    command->setShortcut(keys);
    command->setShortcutContext(Qt::WindowShortcut);
    return command;
}

} // namespace

ReviewMenu::ReviewMenu(std::function<void()> showSettings, std::function<void()> quit,
                       QWidget* window)
    : QMenuBar(window), menu_(addMenu(qtext(std::string(Keepsift::name)))),
      settings_(command(menu_, "menu-settings", QKeySequence(Qt::CTRL | Qt::Key_Comma),
                        std::move(showSettings))),
      quit_(command(menu_, "menu-quit", QKeySequence(Qt::CTRL | Qt::Key_Q), std::move(quit))) {
    setObjectName(QStringLiteral("review-menu"));
    menu_->setObjectName(QStringLiteral("menu-keepsift"));
    menu_->insertSeparator(quit_);
    // Where the menu bar is the desktop's, the window still holds the shortcuts.
    window->addActions({settings_, quit_});
}

void ReviewMenu::setLanguage(std::string_view language) {
    settings_->setText(fixedText(FixedText::settingsEllipsis, language));
    quit_->setText(fixedText(FixedText::quitKeepsift, language));
}

} // namespace keepsift::app
