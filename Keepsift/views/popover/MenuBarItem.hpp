#pragma once

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QGuiApplication>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>

#include "Keepsift/model/AppModel.hpp"
#include "Keepsift/views/forms/WindowActions.hpp"
#include "Keepsift/views/popover/MenuBarPopover.hpp"

namespace keepsift::app {

// The menu-bar item: a tray icon (StatusNotifierItem or XEmbed, whatever the panel offers)
// whose click opens the popover next to it. Some panels (GNOME's AppIndicator extension) open
// only the icon's menu on a click: the menu begins with the popover's status and Pause, and
// an entry that opens the popover. Where no tray exists at start, the popover's content opens
// as a small ordinary window instead, so there is always a way in; once a tray comes and
// the icon is shown, that window goes. A panel that restarts loses the icon: the item looks
// again now and then and shows it anew. Main actor only.
class MenuBarItem : public QObject {
    Q_OBJECT
public:
    struct Platform {
        std::function<bool()> trayAvailable = &QSystemTrayIcon::isSystemTrayAvailable;
        // How often the item looks for a tray that came back; 0 never.
        int recheckMilliseconds = 3000;
        // A popup window closes itself on a click elsewhere; Wayland gives a popup without a
        // parent window no place, so there the popover is a small frameless window that
        // closes when it loses focus.
        bool popupWindow = !QGuiApplication::platformName().startsWith(QStringLiteral("wayland"));
        // Which desktop draws the panel ($XDG_CURRENT_DESKTOP): some panels are dark whatever
        // the application's palette says.
        QString desktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP");
    };

    MenuBarItem(AppModel& model, WindowActions actions, Platform platform,
                QObject* parent = nullptr);
    MenuBarItem(AppModel& model, WindowActions actions, QObject* parent = nullptr)
        : MenuBarItem(model, std::move(actions), Platform{}, parent) {}
    ~MenuBarItem() override;

    // Shows the icon, or the stand-in window where there is no tray; nothing when the icon is
    // hidden.
    void start();
    // Looks whether the tray came or went; the timer calls it.
    void checkTray();
    // A StatusNotifier host (the panel's tray) registered anew: hand the icon to it again.
    void panelRestarted();
    // Brings the icon in line with the model; nothing happens when nothing it shows changed.
    void refreshIcon();

    // A passing message beside the icon, where the panel shows such messages.
    void announce(const QString& message);
    void togglePopover();
    // Where there is no tray: brings the stand-in window back (also after the user closed
    // it), so that Settings, Pause and Quit stay in reach. False where the tray holds them.
    bool showStandIn();
    void hidePopover();
    bool isIconShown() const { return icon_.isVisible(); }
    bool isTrayAvailable() const { return trayAvailable_; }
    MenuBarPopover* popover() const { return popover_; }
    QWidget* standIn() const { return standIn_; }
    QSystemTrayIcon& icon() { return icon_; }
    // How often the tray's picture was replaced (a replacement costs the panel a redraw).
    int iconReplacements() const { return replacements_; }
    // How often the icon was handed to the panel anew after it had gone.
    int reshows() const { return reshows_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool wantsIcon() const;
    void showIcon(bool shown);
    void followModel(Property property);
    void syncMenu();
    void menuOpening();
    void openStandIn();
    void placeStandIn(bool framed);
    void reshowIcon();

    AppModel& model_;
    WindowActions actions_;
    Platform platform_;
    QSystemTrayIcon icon_;
    QMenu menu_;
    QAction* status_;
    QAction* reason_;
    QAction* showStatus_;
    QAction* pause_;
    QAction* review_;
    QAction* settings_;
    QAction* quit_;
    QPointer<MenuBarPopover> popover_;
    QPointer<QWidget> standIn_;
    QTimer recheck_;
    QDBusServiceWatcher watcher_;
    ObservationToken observation_;
    bool trayAvailable_ = false;
    int shownKey_ = -1;
    QRgb shownInk_ = 0;
    int replacements_ = 0;
    int reshows_ = 0;
};

} // namespace keepsift::app
