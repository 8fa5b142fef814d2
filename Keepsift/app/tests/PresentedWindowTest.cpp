#include <gtest/gtest.h>

#include "Keepsift/app/DesktopWindowMaker.hpp"
#include "Keepsift/shell/Windows.hpp"
#include "Keepsift/views/ReviewWindow.hpp"
#include "WidgetSupport.hpp"

namespace keepsift::app {
namespace {

using namespace widgettest;

TEST(PresentedReviewWindow, TheShellsPresenterShowsTheReviewWindowOnce) {
    auto model = startedScenario("family-burst");
    DesktopWindowMaker maker;
    Windows windows(nullptr, maker, {});
    windows.showReview(*model);
    settle();
    QWidget* window = windows.review.window();
    ASSERT_NE(window, nullptr);
    auto* content = window->findChild<ReviewWindow*>("review-window");
    ASSERT_NE(content, nullptr);
    EXPECT_TRUE(content->isVisible());
    windows.showReview(*model);
    settle();
    EXPECT_EQ(window->findChildren<ReviewWindow*>().size(), 1u) << "one window, reused";
    pressKey(window, Qt::Key_Space);
    EXPECT_TRUE(content->compareOverlay()->isVisible());
    pressKey(window, Qt::Key_Escape);
    screenshot(*window, "review-presented");
    window->close();
    settle();
}

// With the tray icon hidden, the review window is the way to Settings and Quit: its menu's
// commands are the shell's own.
TEST(PresentedReviewWindow, ItsMenuReachesTheShellsSettingsAndQuit) {
    auto model = startedScenario("family-burst");
    DesktopWindowMaker maker;
    int settings = 0, quits = 0;
    ShellActions actions;
    actions.showSettings = [&] { ++settings; };
    actions.quit = [&] { ++quits; };
    Windows windows(nullptr, maker, actions);
    windows.showReview(*model);
    settle();
    QWidget* window = windows.review.window();
    ASSERT_NE(window, nullptr);
    window->activateWindow();
    settle();
    pressKey(window, Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_EQ(settings, 1);
    pressKey(window, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quits, 1);
    window->close();
    settle();
}

} // namespace
} // namespace keepsift::app
