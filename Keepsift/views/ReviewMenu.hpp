#pragma once

#include <functional>
#include <string_view>

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace keepsift::app {

// The review window's menu bar. No desktop-wide menu stands for Keepsift on Linux, and its
// tray icon may be hidden: the window itself offers Settings… and Quit Keepsift, with
// Ctrl+, and Ctrl+Q (no review key uses Control). The shortcuts also work where the desktop
// shows the menu bar outside the window.
class ReviewMenu : public QMenuBar {
    Q_OBJECT
public:
    ReviewMenu(std::function<void()> showSettings, std::function<void()> quit, QWidget* window);

    void setLanguage(std::string_view language);

    QMenu* applicationMenu() const { return menu_; }
    QAction* settingsAction() const { return settings_; }
    QAction* quitAction() const { return quit_; }

private:
    QMenu* menu_;
    QAction* settings_;
    QAction* quit_;
};

} // namespace keepsift::app
