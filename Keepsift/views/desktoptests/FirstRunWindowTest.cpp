#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QTest>

#include "DesktopSupport.hpp"
#include "Keepsift/views/firstrun/FirstRunWindow.hpp"
#include "WidgetSupport.hpp"

namespace keepsift::app::widgettest {
namespace {

using ::testing::IsEmpty;

std::unique_ptr<AppModel> newUser(const std::string& scenario, AppModel::Environment extra = {}) {
    extra["KEEPSIFT_FIRST_RUN"] = "1";
    return startedScenario(scenario, std::move(extra));
}

int firstRunWindows() {
    int count = 0;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == "first-run" && window->isVisible()) ++count;
    return count;
}

void closeLeftovers() {
    if (QDialog* window = FirstRunWindow::window()) window->close();
    settle();
}

QCheckBox* toggle(const char* identifier) {
    return FirstRunWindow::window()->findChild<QCheckBox*>(identifier);
}

class FirstRunRender : public ::testing::TestWithParam<const char*> {};

TEST_P(FirstRunRender, ShowsItsControlsWithNoTextCut) {
    auto model = newUser("family-burst", {{"KEEPSIFT_LANGUAGE", GetParam()}});
    FirstRunWindow::showIfNeeded(*model);
    QDialog* window = FirstRunWindow::window();
    ASSERT_NE(window, nullptr);
    settle();
    screenshot(*window, std::string("first-run-") + GetParam());
    for (const char* control : {"first-run-title", "first-run-nothing-deleted",
                                "first-run-telemetry", "first-run-updates", "first-run-accept"})
        EXPECT_TRUE(showsControl(*window, control)) << control;
    EXPECT_THAT(cutTexts(*window), IsEmpty());
    EXPECT_EQ(window->windowTitle().toStdString(), "Keepsift");
    EXPECT_EQ(window->size(), QSize(460, 420));
    const bool german = std::string(GetParam()) == "de";
    EXPECT_EQ(textOf(*window, "first-run-accept"), german ? "Los geht’s" : "Get started");
    EXPECT_EQ(textOf(*window, "first-run-title"),
              german ? "Willkommen bei Keepsift" : "Welcome to Keepsift");
    // The folder on disk is named alike in every language.
    EXPECT_EQ(textOf(*window, "first-run-nothing-deleted"),
              german ? "Markieren verändert nichts: Ein markiertes Foto liegt zusätzlich im Album "
                       "„Keepsift — Rejects“ und bleibt in deiner Mediathek. Gelöscht wird erst, "
                       "wenn du es auslöst — Keepsift fragt noch einmal nach, und gelöschte Fotos "
                       "landen im Papierkorb."
                     : "Flagging changes nothing: a flagged photograph also appears in the "
                       "“Keepsift — Rejects” album and stays in your library. Deleting happens "
                       "when you ask for it — Keepsift asks you once more, and deleted "
                       "photographs go to the Trash.");
    closeLeftovers();
}

INSTANTIATE_TEST_SUITE_P(Languages, FirstRunRender, ::testing::Values("en", "de"));

TEST(FirstRunWindow, NewUserIsGreetedAndAcceptingStartsTheScan) {
    // Access not asked yet: nothing is read while the notice is pending.
    auto model = newUser("permission-not-asked");
    ASSERT_TRUE(model->needsFirstRunNotice());
    EXPECT_EQ(model->snapshot().known, 0);
    FirstRunWindow::showIfNeeded(*model);
    FirstRunWindow::showIfNeeded(*model);
    settle();
    EXPECT_EQ(firstRunWindows(), 1) << "asking twice makes one window";
    toggle("first-run-telemetry")->click();
    toggle("first-run-updates")->click();
    FirstRunWindow::window()->findChild<QPushButton*>("first-run-accept")->click();
    ASSERT_TRUE(QTest::qWaitFor([] { return FirstRunWindow::window() == nullptr; }, 30000));
    settle();
    EXPECT_EQ(firstRunWindows(), 0);
    EXPECT_FALSE(model->needsFirstRunNotice());
    EXPECT_TRUE(model->store()->hasSeenFirstRunNotice());
    EXPECT_FALSE(model->settings().telemetryEnabled);
    EXPECT_FALSE(model->settings().automaticUpdates);
    // The window closed before the library was read; the reading goes on behind it.
    EXPECT_TRUE(QTest::qWaitFor([&] { return model->snapshot().known > 0; }, 30000))
        << "the library is read once accepted";
    EXPECT_TRUE(QTest::qWaitFor([&] { return model->snapshot().analysed > 0; }, 30000))
        << "and the scan has begun";
    FirstRunWindow::showIfNeeded(*model);
    EXPECT_EQ(FirstRunWindow::window(), nullptr) << "accepted: never again";
}

TEST(FirstRunWindow, ReturnKeyGetsStarted) {
    auto model = newUser("family-burst");
    FirstRunWindow::showIfNeeded(*model);
    QDialog* window = FirstRunWindow::window();
    ASSERT_NE(window, nullptr);
    window->activateWindow();
    settle();
    QTest::keyClick(window, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model->needsFirstRunNotice(); }, 30000));
    ASSERT_TRUE(QTest::qWaitFor([] { return FirstRunWindow::window() == nullptr; }, 30000));
    EXPECT_TRUE(model->settings().telemetryEnabled);
}

TEST(FirstRunWindow, ClosingKeepsTheNoticeAndTheNextWindowStartsFromStoredSettings) {
    auto model = newUser("family-burst");
    Settings stored = model->settings();
    stored.telemetryEnabled = false;
    waitFor([&](AppModel::Done done) { model->applySettings(stored, std::move(done)); });
    FirstRunWindow::showIfNeeded(*model);
    settle();
    EXPECT_FALSE(toggle("first-run-telemetry")->isChecked()) << "taken from the settings";
    EXPECT_TRUE(toggle("first-run-updates")->isChecked());
    toggle("first-run-telemetry")->click();
    FirstRunWindow::window()->close();
    settle();
    EXPECT_EQ(FirstRunWindow::window(), nullptr);
    EXPECT_TRUE(model->needsFirstRunNotice());
    EXPECT_FALSE(model->settings().telemetryEnabled) << "a closed window applies nothing";
    FirstRunWindow::showIfNeeded(*model);
    settle();
    ASSERT_NE(FirstRunWindow::window(), nullptr);
    EXPECT_FALSE(toggle("first-run-telemetry")->isChecked());
    closeLeftovers();
}

TEST(FirstRunWindow, OpenedBeforeTheSettingsAreReadItFollowsTheirLanguageAndChoices) {
    // The launch shows the window once the first-run state is known, before the start reads
    // the stored settings.
    auto model = AppModel::makeForScenario({{"KEEPSIFT_SCENARIO", "family-burst"},
                                            {"KEEPSIFT_LANGUAGE", "de"},
                                            {"KEEPSIFT_FIRST_RUN", "1"}},
                                           testServices(), nullptr);
    Settings stored = model->store()->settings();
    stored.automaticUpdates = false;
    model->store()->saveSettings(stored);
    waitFor([&](AppModel::Done done) { model->loadFirstRunState(std::move(done)); });
    FirstRunWindow::showIfNeeded(*model);
    settle();
    ASSERT_NE(FirstRunWindow::window(), nullptr);
    waitFor([&](AppModel::Done done) { model->start(std::move(done)); });
    QDialog* window = FirstRunWindow::window();
    EXPECT_EQ(textOf(*window, "first-run-accept"), "Los geht’s");
    EXPECT_EQ(textOf(*window, "first-run-title"), "Willkommen bei Keepsift");
    EXPECT_FALSE(toggle("first-run-updates")->isChecked());
    EXPECT_THAT(cutTexts(*window), IsEmpty());
    closeLeftovers();
}

// The first-run window says what the settings window says of a build without an update key
// or an analytics identifier: the switches are off limits, and why.
TEST_P(FirstRunRender, SwitchesTheBuildCannotHonourAreOffLimitsAndSaySo) {
    auto model = unconfiguredBuild({{"KEEPSIFT_SCENARIO", "family-burst"},
                                    {"KEEPSIFT_LANGUAGE", GetParam()},
                                    {"KEEPSIFT_FIRST_RUN", "1"}});
    FirstRunWindow::showIfNeeded(*model);
    QDialog* window = FirstRunWindow::window();
    ASSERT_NE(window, nullptr);
    settle();
    EXPECT_FALSE(toggle("first-run-updates")->isEnabled());
    EXPECT_FALSE(toggle("first-run-telemetry")->isEnabled());
    const auto [updates, telemetry] = unconfiguredCaptions(GetParam());
    EXPECT_TRUE(showsLabel(*window, updates));
    EXPECT_TRUE(showsLabel(*window, telemetry));
    EXPECT_THAT(cutTexts(*window), IsEmpty());
    screenshot(*window, std::string("first-run-unconfigured-build-") + GetParam());
    closeLeftovers();
}

// A double click on "Get started" hands the choices over once, so the library-access
// question that follows is asked once.
TEST(FirstRunWindow, ADoubleClickGetsStartedOnce) {
    auto model = newUser("permission-not-asked");
    int completions = 0;
    FirstRunWindow window(*model, [&] { ++completions; });
    window.show();
    settle();
    window.acceptButton()->click();
    window.acceptButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return completions > 0; }, 30000));
    // The library is read once the first completion is through; a second one, had it been
    // started alongside, has answered by now.
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->snapshot().known > 0; }, 30000));
    waitFor([&](AppModel::Done done) { model->refresh(std::move(done)); });
    EXPECT_EQ(completions, 1);
    EXPECT_FALSE(window.acceptButton()->isEnabled());
    EXPECT_FALSE(model->needsFirstRunNotice());
}

TEST(FirstRunWindow, NoWindowOnceTheNoticeWasSeen) {
    auto model = startedScenario("family-burst");
    FirstRunWindow::showIfNeeded(*model);
    EXPECT_EQ(FirstRunWindow::window(), nullptr);
}

} // namespace
} // namespace keepsift::app::widgettest
