#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QScreen>
#include <QTest>

#include "DesktopSupport.hpp"
#include "Keepsift/views/popover/MenuBarIcon.hpp"
#include "Keepsift/views/popover/MenuBarItem.hpp"
#include "Keepsift/views/popover/PopoverPlacement.hpp"
#include "Keepsift/views/popover/PopoverTexts.hpp"
#include "WidgetSupport.hpp"
#include "core/text/Strings.hpp"

namespace keepsift::app::widgettest {
namespace {

// A panel that can go away and come back.
struct Panel {
    bool present = true;
    MenuBarItem::Platform platform() {
        return {[this] { return present; }, 0, true};
    }
};

// A started model with a menu-bar item over it.
struct StartedItem {
    std::unique_ptr<AppModel> model = startedScenario("family-burst");
    ActionLog log;
    Panel panel;
    std::unique_ptr<MenuBarItem> item;

    explicit StartedItem(bool trayPresent = true) {
        panel.present = trayPresent;
        item = std::make_unique<MenuBarItem>(*model, log.actions(), panel.platform());
        item->start();
        settle();
    }
};

int opaquePixels(const QImage& image, const QRect& area) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qAlpha(image.pixel(x, y)) > 128) ++count;
    return count;
}

TEST(MenuBarIcon, DrawsTheStackTheFillAndTheDotAtBothScales) {
    const QColor dark(0x20, 0x20, 0x20);
    for (qreal ratio : {1.0, 2.0}) {
        const QImage plain = MenuBarIcon::paint(false, false, dark, ratio);
        const QImage working = MenuBarIcon::paint(true, false, dark, ratio);
        const QImage nudging = MenuBarIcon::paint(false, true, dark, ratio);
        const int side = qRound(MenuBarIcon::side * ratio);
        ASSERT_EQ(plain.size(), QSize(side, side));
        EXPECT_GT(opaquePixels(working, working.rect()), opaquePixels(plain, plain.rect()))
            << "working fills the front photograph";
        // The dot sits at the top right, where the plain stack leaves the canvas empty.
        const QRect corner(qRound(18 * ratio), qRound(4 * ratio), qRound(3 * ratio),
                           qRound(3 * ratio));
        EXPECT_EQ(opaquePixels(plain, corner), 0);
        EXPECT_GT(opaquePixels(nudging, corner), 0);
        plain.save(QString::fromStdString(std::string(KEEPSIFT_SCREENSHOTS) + "/icon-plain-" +
                                          std::to_string(int(ratio)) + "x.png"));
        nudging.save(QString::fromStdString(std::string(KEEPSIFT_SCREENSHOTS) + "/icon-dot-" +
                                            std::to_string(int(ratio)) + "x.png"));
        working.save(QString::fromStdString(std::string(KEEPSIFT_SCREENSHOTS) + "/icon-working-" +
                                            std::to_string(int(ratio)) + "x.png"));
    }
}

// Every picture on a light and a dark panel, at 1x and 2x, magnified for the eye.
TEST(MenuBarIcon, ContactSheetOnLightAndDarkPanels) {
    const int zoom = 6, cell = MenuBarIcon::side * 2 * zoom;
    QImage sheet(cell * 6, cell * 2, QImage::Format_ARGB32);
    QPainter painter(&sheet);
    const QColor panels[] = {QColor(0xf0, 0xf0, 0xf0), QColor(0x24, 0x24, 0x28)};
    for (int row = 0; row < 2; ++row) {
        QPalette palette;
        palette.setColor(QPalette::Window, panels[row]);
        painter.fillRect(0, row * cell, sheet.width(), cell, panels[row]);
        int column = 0;
        for (qreal ratio : {1.0, 2.0})
            for (int state = 0; state < 3; ++state) {
                QImage icon = MenuBarIcon::paint(state == 1, state == 2,
                                                 MenuBarIcon::panelInk(palette), ratio);
                icon.setDevicePixelRatio(1.0);
                const int side = icon.width() * zoom * int(2 / ratio);
                painter.drawImage(QRect(column * cell, row * cell, side, side), icon);
                ++column;
            }
    }
    painter.end();
    sheet.save(QString::fromStdString(std::string(KEEPSIFT_SCREENSHOTS) + "/icon-sheet.png"));
    EXPECT_FALSE(sheet.isNull());
}

// Pixels of the icon, laid on a panel of the given colour, that stand out from it clearly
// (their lightness differs by more than half the scale).
int standingOut(const QImage& icon, const QColor& panel) {
    QImage onPanel(icon.size(), QImage::Format_ARGB32);
    onPanel.setDevicePixelRatio(icon.devicePixelRatio());
    onPanel.fill(panel);
    QPainter painter(&onPanel);
    painter.drawImage(0, 0, icon);
    painter.end();
    int count = 0;
    for (int y = 0; y < onPanel.height(); ++y)
        for (int x = 0; x < onPanel.width(); ++x)
            if (std::abs(qGray(onPanel.pixel(x, y)) - qGray(panel.rgb())) > 128) ++count;
    return count;
}

TEST(MenuBarIcon, InkSuitsLightAndDarkPanels) {
    QPalette light, dark;
    light.setColor(QPalette::Window, QColor(0xf0, 0xf0, 0xf0));
    dark.setColor(QPalette::Window, QColor(0x20, 0x20, 0x24));
    EXPECT_LT(MenuBarIcon::panelInk(light).lightness(), 64);
    EXPECT_GT(MenuBarIcon::panelInk(dark).lightness(), 192);
    // GNOME's top bar is black whatever the application's palette says.
    for (const char* desktop : {"GNOME", "ubuntu:GNOME", "GNOME-Classic:GNOME"})
        EXPECT_GT(MenuBarIcon::panelInk(light, QString::fromLatin1(desktop)).lightness(), 192)
            << desktop;
    EXPECT_LT(MenuBarIcon::panelInk(light, QStringLiteral("XFCE")).lightness(), 64);
    EXPECT_LT(MenuBarIcon::panelInk(light, QStringLiteral("KDE")).lightness(), 64);
}

// Where the panel's colour is guessed wrong, the icon is still plainly there: each ink has
// an opaque outline of the other, so the stack's shape stands out on black and on white.
TEST(MenuBarIcon, StandsOutOnBlackAndOnWhitePanelsWhicheverInkItHas) {
    for (const QColor& ink : {QColor(0x20, 0x20, 0x20), QColor(0xf2, 0xf2, 0xf2)})
        for (qreal ratio : {1.0, 2.0})
            for (int state = 0; state < 3; ++state) {
                const QImage icon = MenuBarIcon::paint(state == 1, state == 2, ink, ratio);
                // The plain stack's outline alone covers some 80 logical pixels.
                const int enough = qRound(60 * ratio * ratio);
                for (const QColor& panel : {QColor(Qt::black), QColor(Qt::white)})
                    EXPECT_GE(standingOut(icon, panel), enough)
                        << "ink " << ink.name().toStdString() << " on panel "
                        << panel.name().toStdString() << " at " << ratio << "x, state " << state;
            }
}

TEST(PopoverPlacement, NextToTheIconOrAtTheCursorAndOnScreen) {
    const QRect screen(0, 0, 1920, 1080);
    const QSize size(300, 400);
    // A top panel: below the icon, centred.
    EXPECT_EQ(popoverPosition(size, QRect(1000, 0, 24, 24), {}, screen), QPoint(861, 28));
    // A bottom panel: above it.
    EXPECT_EQ(popoverPosition(size, QRect(1000, 1056, 24, 24), {}, screen), QPoint(861, 652));
    // At the right edge: pulled onto the screen.
    EXPECT_EQ(popoverPosition(size, QRect(1900, 0, 20, 20), {}, screen).x(), 1620);
    // No geometry: at the cursor.
    EXPECT_EQ(popoverPosition(size, QRect(), QPoint(500, 10), screen), QPoint(350, 15));
}

TEST(MenuBarItem, WithoutATrayThePopoverOpensAsAWindowAtStart) {
    StartedItem started(false);
    MenuBarItem& tray = *started.item;
    ActionLog& log = started.log;
    ASSERT_NE(tray.standIn(), nullptr);
    EXPECT_TRUE(tray.standIn()->isVisible());
    EXPECT_FALSE(tray.isIconShown());
    EXPECT_TRUE(showsControl(*tray.standIn(), "open-review"));
    EXPECT_TRUE(showsControl(*tray.standIn(), "quit"));
    screenshot(*tray.standIn(), "tray-stand-in-window");
    // The stand-in stays open when a window is opened from it.
    tray.standIn()->findChild<QPushButton*>("open-settings")->click();
    EXPECT_EQ(log.settings, 1);
    EXPECT_EQ(log.dismissals, 0);
    EXPECT_TRUE(tray.standIn()->isVisible());
}

TEST(MenuBarItem, WithoutATrayTheStandInComesBackAndKeepsClearOfTheFirstRunWindow) {
    StartedItem started(false);
    MenuBarItem& tray = *started.item;
    ASSERT_NE(tray.standIn(), nullptr);
    // At the top right, where the tray's popover would open; the first-run window is centred.
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect frame = tray.standIn()->frameGeometry();
    EXPECT_EQ(frame.topRight(), area.topRight());
    // Closed by the user, it comes back when Keepsift is launched again.
    tray.standIn()->close();
    EXPECT_FALSE(tray.standIn()->isVisible());
    EXPECT_TRUE(tray.showStandIn());
    EXPECT_TRUE(tray.standIn()->isVisible());

    StartedItem withTray;
    EXPECT_FALSE(withTray.item->showStandIn());
    EXPECT_EQ(withTray.item->standIn(), nullptr);
}

// Started before the panel, as at login: the stand-in stood for the icon, and goes once the
// icon is shown, so that the popover never opens on top of it.
TEST(MenuBarItem, TheStandInGoesOnceTheTrayCameAndTheIconIsShown) {
    StartedItem started(false);
    MenuBarItem& tray = *started.item;
    ASSERT_TRUE(tray.standIn() && tray.standIn()->isVisible());
    tray.checkTray();
    EXPECT_TRUE(tray.standIn()->isVisible()) << "still no tray";
    started.panel.present = true;
    tray.checkTray();
    EXPECT_TRUE(tray.isIconShown());
    EXPECT_FALSE(tray.standIn()->isVisible());
    EXPECT_FALSE(tray.showStandIn()) << "a later launch opens the review instead";
    tray.togglePopover();
    settle();
    EXPECT_TRUE(tray.popover()->isVisible());
    EXPECT_FALSE(tray.standIn()->isVisible());
}

TEST(MenuBarItem, WithTheIconSwitchedOffTheStandInStaysUntilTheIconIsShown) {
    StartedItem started(false);
    MenuBarItem& tray = *started.item;
    Settings settings = started.model->settings();
    settings.showsMenuBarIcon = false;
    started.model->setSettings(settings);
    started.panel.present = true;
    tray.checkTray();
    EXPECT_FALSE(tray.isIconShown());
    EXPECT_TRUE(tray.standIn()->isVisible()) << "the only way in";
    settings.showsMenuBarIcon = true;
    started.model->setSettings(settings);
    EXPECT_TRUE(tray.isIconShown());
    EXPECT_FALSE(tray.standIn()->isVisible());

    // A StatusNotifier host that registers is a tray too.
    StartedItem late(false);
    late.item->panelRestarted();
    EXPECT_TRUE(late.item->isIconShown());
    EXPECT_FALSE(late.item->standIn()->isVisible());
}

QAction* entry(MenuBarItem& tray, const char* identifier) {
    return tray.icon().contextMenu()->findChild<QAction*>(QString::fromLatin1(identifier));
}

std::vector<std::string> entryTexts(MenuBarItem& tray) {
    std::vector<std::string> texts;
    for (QAction* action : tray.icon().contextMenu()->actions())
        if (action->isVisible())
            texts.push_back(action->isSeparator() ? "--" : action->text().toStdString());
    return texts;
}

// Where a click opens only the menu (GNOME's AppIndicator extension), the status and Pause
// are in it, and an entry opens the popover with the rest.
TEST(MenuBarItem, TheMenuBeginsWithTheStatusAndPause) {
    StartedItem started;
    MenuBarItem& tray = *started.item;
    AppModel& model = *started.model;
    const QString status = PopoverTexts::statusLine(model);
    EXPECT_EQ(entryTexts(tray),
              (std::vector<std::string>{status.toStdString(), "Show status…", "Pause", "--",
                                        "Review photos", "Settings…", "--", "Quit Keepsift"}));
    EXPECT_FALSE(entry(tray, "menu-status-line")->isEnabled()) << "a line to read, not to click";
    screenshot(*tray.icon().contextMenu(), "tray-menu-en");

    EngineSnapshot snapshot = model.snapshot();
    snapshot.review.flaggedCount += 3;
    snapshot.review.reclaimableBytes += 3'000'000;
    model.setSnapshot(snapshot);
    EXPECT_EQ(entry(tray, "menu-status-line")->text(), PopoverTexts::statusLine(model));
    EXPECT_NE(entry(tray, "menu-status-line")->text(), status) << "kept up to date";

    entry(tray, "menu-toggle-pause")->trigger();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return model.readiness() == QueueReadiness::paused; }, 30000));
    settle();
    EXPECT_EQ(entry(tray, "menu-toggle-pause")->text(), "Resume");
    EXPECT_TRUE(entry(tray, "menu-waiting-reason")->isVisible());
    EXPECT_EQ(entry(tray, "menu-waiting-reason")->text(), "Paused.");
    EXPECT_FALSE(entry(tray, "menu-waiting-reason")->isEnabled());

    entry(tray, "menu-show-status")->trigger();
    settle();
    EXPECT_TRUE(tray.popover()->isVisible());
    entry(tray, "menu-show-status")->trigger();
    settle();
    EXPECT_TRUE(tray.popover()->isVisible()) << "it opens, never closes";
    EXPECT_EQ(started.log.reviews, 0);
}

// The model hears of the scan's progress only now and then; opening the menu asks for the
// current status, as opening the popover does, and the open menu follows what comes.
TEST(MenuBarItem, TheMenuShowsTheCurrentStatusWhenItOpensAndFollowsItWhileOpen) {
    StartedItem started;
    MenuBarItem& tray = *started.item;
    AppModel& model = *started.model;
    QMenu& menu = *tray.icon().contextMenu();
    const QString current = PopoverTexts::statusLine(model);
    EngineSnapshot stale = model.snapshot();
    stale.hasCompletedFirstPass = false;
    stale.analysed = 1;
    stale.known = 321;
    model.setSnapshot(stale);
    ASSERT_EQ(entry(tray, "menu-status-line")->text(), PopoverTexts::statusLine(model));
    ASSERT_NE(entry(tray, "menu-status-line")->text(), current);

    menu.popup(QPoint(40, 40));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return entry(tray, "menu-status-line")->text() == current; }, 30000));
    ASSERT_TRUE(menu.isVisible());
    stale.analysed = 52;
    model.setSnapshot(stale);
    EXPECT_EQ(entry(tray, "menu-status-line")->text().toStdString(),
              Strings::scanProgress(52, 321, "en"));
    menu.hide();
}

TEST(MenuBarItem, TheMenuSpeaksGerman) {
    StartedItem started;
    Settings settings = started.model->settings();
    settings.language = "de";
    started.model->setSettings(settings);
    const auto texts = entryTexts(*started.item);
    screenshot(*started.item->icon().contextMenu(), "tray-menu-de");
    EXPECT_EQ(std::vector<std::string>(texts.begin() + 1, texts.end()),
              (std::vector<std::string>{"Status anzeigen …", "Pausieren", "--", "Fotos prüfen",
                                        "Einstellungen …", "--", "Keepsift beenden"}));
    EXPECT_EQ(PopoverTexts::showStatus("en"), "Show status…");
    EXPECT_EQ(PopoverTexts::showStatus("de"), "Status anzeigen …");
}

TEST(MenuBarItem, ClickOpensAndClosesThePopoverAndItsWindowsDismissIt) {
    StartedItem started;
    MenuBarItem& tray = *started.item;
    ActionLog& log = started.log;
    EXPECT_EQ(tray.standIn(), nullptr);
    EXPECT_TRUE(tray.isIconShown());
    tray.togglePopover();
    settle();
    ASSERT_TRUE(tray.popover()->isVisible());
    EXPECT_EQ(tray.popover()->windowType(), Qt::Popup);
    EXPECT_TRUE(tray.popover()->objectName().isEmpty()) << "the only window without identifier";
    tray.popover()->findChild<QPushButton*>("open-review")->click();
    EXPECT_FALSE(tray.popover()->isVisible());
    EXPECT_EQ(log.reviews, 1);
    tray.togglePopover();
    tray.togglePopover();
    EXPECT_FALSE(tray.popover()->isVisible());
}

TEST(MenuBarItem, WithoutPopupWindowsThePopoverClosesWhenItLosesFocus) {
    auto model = startedScenario("family-burst");
    ActionLog log;
    MenuBarItem::Platform platform{[] { return true; }, 0, false};
    MenuBarItem tray(*model, log.actions(), platform);
    tray.start();
    EXPECT_NE(tray.popover()->windowType(), Qt::Popup);
    tray.togglePopover();
    settle();
    ASSERT_TRUE(tray.popover()->isVisible());
    QEvent deactivate(QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(tray.popover(), &deactivate);
    EXPECT_FALSE(tray.popover()->isVisible());
}

TEST(MenuBarItem, IconComesBackWhenThePanelRestarts) {
    StartedItem started;
    MenuBarItem& tray = *started.item;
    Panel& panel = started.panel;
    EXPECT_EQ(tray.reshows(), 0);
    panel.present = false;
    tray.checkTray();
    EXPECT_FALSE(tray.isTrayAvailable());
    panel.present = true;
    tray.checkTray();
    EXPECT_EQ(tray.reshows(), 1);
    EXPECT_TRUE(tray.isIconShown());
    tray.checkTray();
    EXPECT_EQ(tray.reshows(), 1) << "a steady panel is left alone";
    // A StatusNotifier watcher that registers again is a restarted panel, whatever Qt says.
    tray.panelRestarted();
    EXPECT_EQ(tray.reshows(), 2);
    EXPECT_TRUE(tray.isIconShown());
}

TEST(MenuBarItem, FollowsTheMenuBarSwitchAndReplacesTheIconOnlyWhenItChanges) {
    StartedItem started;
    MenuBarItem& tray = *started.item;
    AppModel* model = started.model.get();
    const int replacements = tray.iconReplacements();
    EngineSnapshot snapshot = model->snapshot();
    snapshot.waiting += 5;
    model->setSnapshot(snapshot); // counts that do not change the picture
    EXPECT_EQ(tray.iconReplacements(), replacements);
    Settings settings = model->settings();
    settings.reviewNudge = ReviewNudge::at25;
    snapshot.review.flaggedCount = 25;
    model->setSnapshot(snapshot);
    model->setSettings(settings);
    EXPECT_TRUE(model->shouldNudge());
    EXPECT_EQ(tray.iconReplacements(), replacements + 1);
    settings.showsMenuBarIcon = false;
    model->setSettings(settings);
    EXPECT_FALSE(tray.isIconShown());
    tray.checkTray();
    EXPECT_FALSE(tray.isIconShown()) << "a hidden icon is not brought back by the panel check";
    settings.showsMenuBarIcon = true;
    model->setSettings(settings);
    EXPECT_TRUE(tray.isIconShown());
}

} // namespace
} // namespace keepsift::app::widgettest
