#include "Keepsift/views/popover/MenuBarItem.hpp"

#include <QApplication>
#include <QCursor>
#include <QScreen>
#include <QVBoxLayout>

#include "Keepsift/views/ViewTexts.hpp"
#include "Keepsift/views/popover/MenuBarIcon.hpp"
#include "Keepsift/views/popover/PopoverPlacement.hpp"
#include "Keepsift/views/popover/PopoverTexts.hpp"
#include "core/settings/Keepsift.hpp"

namespace keepsift::app {
namespace {

QAction* menuEntry(QMenu& menu, const char* identifier, std::function<void()> action) {
    QAction* entry = menu.addAction(QString());
    entry->setObjectName(QString::fromUtf8(identifier));
    if (action) QObject::connect(entry, &QAction::triggered, &menu, std::move(action));
    return entry;
}

} // namespace

MenuBarItem::MenuBarItem(AppModel& model, WindowActions actions, Platform platform, QObject* parent)
    : QObject(parent), model_(model), actions_(std::move(actions)), platform_(std::move(platform)) {
    WindowActions popoverActions = actions_;
    popoverActions.dismissPopover = [this] { hidePopover(); };
    popover_ = new MenuBarPopover(model_, popoverActions);
    popover_->setWindowFlags(platform_.popupWindow
                                 ? Qt::Popup | Qt::FramelessWindowHint
                                 : Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    popover_->installEventFilter(this);

    // What the popover says first, for the panels whose click opens only this menu.
    status_ = menuEntry(menu_, "menu-status-line", {});
    status_->setEnabled(false);
    reason_ = menuEntry(menu_, "menu-waiting-reason", {});
    reason_->setEnabled(false);
    // Opened once the menu has closed: the popover is a popup window of its own.
    showStatus_ = menuEntry(menu_, "menu-show-status", [this] {
        QTimer::singleShot(0, this, [this] {
            if (!popover_->isVisible()) togglePopover();
        });
    });
    pause_ = menuEntry(menu_, "menu-toggle-pause", [this] { popover_->togglePause(); });
    menu_.addSeparator();
    review_ =
        menuEntry(menu_, "menu-open-review", [this] { WindowActions::run(actions_.showReview); });
    settings_ = menuEntry(menu_, "menu-open-settings",
                          [this] { WindowActions::run(actions_.showSettings); });
    menu_.addSeparator();
    quit_ = menuEntry(menu_, "menu-quit", [this] { WindowActions::run(actions_.quit); });
    connect(&menu_, &QMenu::aboutToShow, this, &MenuBarItem::menuOpening);
    icon_.setContextMenu(&menu_);
    icon_.setToolTip(qtext(std::string(Keepsift::name)));
    connect(&icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::Trigger || r == QSystemTrayIcon::DoubleClick) togglePopover();
    });
    connect(&recheck_, &QTimer::timeout, this, &MenuBarItem::checkTray);
    // A panel that restarts registers its StatusNotifier watcher again; Qt keeps believing
    // the old registration holds.
    watcher_.setConnection(QDBusConnection::sessionBus());
    watcher_.setWatchMode(QDBusServiceWatcher::WatchForRegistration);
    watcher_.addWatchedService(QStringLiteral("org.kde.StatusNotifierWatcher"));
    connect(&watcher_, &QDBusServiceWatcher::serviceRegistered, this, &MenuBarItem::panelRestarted);
    observation_ = model_.observe([this](Property property) { followModel(property); });
    syncMenu();
    refreshIcon();
}

MenuBarItem::~MenuBarItem() {
    observation_.cancel();
    if (popover_) popover_->removeEventFilter(this);
    delete popover_;
    delete standIn_;
}

void MenuBarItem::start() {
    trayAvailable_ = platform_.trayAvailable();
    if (trayAvailable_)
        showIcon(wantsIcon());
    else if (wantsIcon()) // with the icon hidden, only a start by the user asks for it
        openStandIn();
    if (platform_.recheckMilliseconds > 0) recheck_.start(platform_.recheckMilliseconds);
}

void MenuBarItem::checkTray() {
    const bool available = platform_.trayAvailable();
    const bool cameBack = available && !trayAvailable_;
    trayAvailable_ = available;
    if (!available || !wantsIcon()) return;
    // A restarted panel has forgotten the icon, though Qt still thinks it shows.
    if (cameBack || !icon_.isVisible()) reshowIcon();
}

void MenuBarItem::panelRestarted() {
    trayAvailable_ = true;
    if (wantsIcon()) reshowIcon();
}

void MenuBarItem::reshowIcon() {
    ++reshows_;
    icon_.hide();
    showIcon(true);
}

void MenuBarItem::showIcon(bool shown) {
    icon_.setVisible(shown);
    // The stand-in only stood for the missing icon; the popover would open on top of it.
    if (shown && standIn_) standIn_->close();
}

bool MenuBarItem::wantsIcon() const {
    return model_.settings().showsMenuBarIcon;
}

void MenuBarItem::followModel(Property property) {
    switch (property) {
    case Property::settings:
        syncMenu();
        if (trayAvailable_ && icon_.isVisible() != wantsIcon()) showIcon(wantsIcon());
        refreshIcon();
        break;
    case Property::snapshot:
    case Property::isWorking:
        syncMenu();
        refreshIcon();
        break;
    case Property::readiness:
        syncMenu();
        break;
    default:
        break;
    }
}

void MenuBarItem::refreshIcon() {
    const int key = (model_.isWorking() ? 1 : 0) | (model_.shouldNudge() ? 2 : 0);
    const QRgb ink = MenuBarIcon::panelInk(QApplication::palette(), platform_.desktop).rgb();
    if (key == shownKey_ && ink == shownInk_) return;
    shownKey_ = key;
    shownInk_ = ink;
    ++replacements_;
    icon_.setIcon(MenuBarIcon::make(key & 1, key & 2, QColor::fromRgb(ink)));
}

void MenuBarItem::syncMenu() {
    const std::string& language = model_.settings().language;
    // Unchanged texts are not sent to the panel again.
    status_->setText(PopoverTexts::statusLine(model_));
    const auto reason = PopoverTexts::statusText(model_.readiness(), language);
    reason_->setVisible(reason.has_value());
    reason_->setText(reason.value_or(QString()));
    showStatus_->setText(PopoverTexts::showStatus(language));
    pause_->setText(PopoverTexts::pauseOrResume(model_.settings().isPaused, language));
    review_->setText(PopoverTexts::reviewPhotos(language));
    settings_->setText(PopoverTexts::settings(language));
    quit_->setText(PopoverTexts::quit(language));
}

// The model hears of a scan's progress only now and then: the menu asks for the current
// status, as the popover does when it is shown, and follows the model while it is open.
void MenuBarItem::menuOpening() {
    syncMenu();
    QPointer<MenuBarItem> self(this);
    model_.refreshAuthorization([self] {
        if (self) self->model_.refresh();
    });
}

void MenuBarItem::announce(const QString& message) {
    if (icon_.isVisible() && QSystemTrayIcon::supportsMessages())
        icon_.showMessage(qtext(std::string(Keepsift::name)), message);
}

void MenuBarItem::togglePopover() {
    if (popover_->isVisible()) return hidePopover();
    popover_->sync();
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen) screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    popover_->move(popoverPosition(popover_->size(), icon_.geometry(), QCursor::pos(), area));
    popover_->show();
    popover_->activateWindow();
}

// At the top right, where the tray's popover would open, clear of the centred first-run
// window. Moved again only when the frame turned out larger than the window.
void MenuBarItem::placeStandIn(bool framed) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    if (!framed) standIn_->adjustSize();
    const QRect frame = standIn_->frameGeometry();
    if (framed && frame.topRight() == area.topRight()) return;
    standIn_->move(area.right() + 1 - frame.width(), area.top());
}

bool MenuBarItem::showStandIn() {
    if (trayAvailable_) return false;
    openStandIn();
    return true;
}

void MenuBarItem::hidePopover() {
    if (popover_) popover_->hide();
}

bool MenuBarItem::eventFilter(QObject* watched, QEvent* event) {
    if (watched == popover_ && event->type() == QEvent::WindowDeactivate && !platform_.popupWindow)
        hidePopover();
    return QObject::eventFilter(watched, event);
}

void MenuBarItem::openStandIn() {
    if (!standIn_) {
        standIn_ = new QWidget(nullptr, Qt::Window);
        standIn_->setWindowTitle(qtext(std::string(Keepsift::name)));
        auto* box = new QVBoxLayout(standIn_);
        box->setContentsMargins(0, 0, 0, 0);
        box->setSizeConstraint(QLayout::SetFixedSize);
        // The stand-in stays open while the other windows come and go.
        WindowActions windowActions = actions_;
        windowActions.dismissPopover = nullptr;
        box->addWidget(new MenuBarPopover(model_, windowActions, standIn_));
        placeStandIn(false);
        standIn_->show();
        // A window manager's frame is known once the window is shown.
        placeStandIn(true);
    }
    standIn_->show();
    standIn_->raise();
    standIn_->activateWindow();
}

} // namespace keepsift::app
