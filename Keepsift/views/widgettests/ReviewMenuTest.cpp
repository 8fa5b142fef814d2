#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "Keepsift/views/ReviewWindow.hpp"
#include "WidgetSupport.hpp"

namespace keepsift::app {
namespace {

using namespace widgettest;

// Without a tray icon the review window is the one way to Settings and Quit: its own menu.
class ReviewMenuCommands : public ::testing::TestWithParam<const char*> {
protected:
    void open() {
        model = startedScenario("family-burst", {{"KEEPSIFT_LANGUAGE", GetParam()}});
        ReviewWindow::Hooks hooks = appearing();
        hooks.showSettings = [this] { ++settingsShown; };
        hooks.quit = [this] { ++quits; };
        window = std::make_unique<ReviewWindow>(*model, nullptr, hooks);
        showAtUsualSize(*window, true);
    }

    std::unique_ptr<AppModel> model;
    std::unique_ptr<ReviewWindow> window;
    int settingsShown = 0;
    int quits = 0;
};

TEST_P(ReviewMenuCommands, OffersSettingsAndQuitInItsOwnMenu) {
    open();
    const bool german = std::string(GetParam()) == "de";
    ReviewMenu* menu = window->menu();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(menu->applicationMenu()->title().toStdString(), "Keepsift");
    EXPECT_EQ(menu->settingsAction()->text().toStdString(),
              german ? "Einstellungen …" : "Settings…");
    EXPECT_EQ(menu->quitAction()->text().toStdString(),
              german ? "Keepsift beenden" : "Quit Keepsift");
    EXPECT_EQ(menu->settingsAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Comma));
    EXPECT_EQ(menu->quitAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    // The menu sits above the header and takes no room from the groups.
    EXPECT_LE(menu->geometry().bottom(), window->header()->geometry().top());
    screenshot(*window, std::string("review-menu-") + GetParam());
    menu->setActiveAction(menu->applicationMenu()->menuAction());
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu->applicationMenu()->isVisible(); }, 30000));
    EXPECT_TRUE(cutTexts(*menu->applicationMenu()).empty());
    screenshot(*menu->applicationMenu(), std::string("review-menu-open-") + GetParam());
    menu->applicationMenu()->hide();
    settle();

    menu->settingsAction()->trigger();
    EXPECT_EQ(settingsShown, 1);
    menu->quitAction()->trigger();
    EXPECT_EQ(quits, 1);
}

TEST_P(ReviewMenuCommands, ControlCommaAndControlQReachTheCommandsNotTheReviewKeys) {
    open();
    const auto before = window->state();
    pressKey(window.get(), Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_EQ(settingsShown, 1);
    pressKey(window.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(window->state().selected, before.selected);
    EXPECT_FALSE(window->compareOverlay()->isVisible());
    // The review keys still work beside them.
    pressKey(window.get(), Qt::Key_Space);
    EXPECT_TRUE(window->compareOverlay()->isVisible());
    pressKey(window.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quits, 2) << "Quit works while a comparison is open";
}

INSTANTIATE_TEST_SUITE_P(Languages, ReviewMenuCommands, ::testing::Values("en", "de"));

} // namespace
} // namespace keepsift::app
