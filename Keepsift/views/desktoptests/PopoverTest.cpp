#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <algorithm>

#include "DesktopSupport.hpp"
#include "Keepsift/model/LibraryNotice.hpp"
#include "Keepsift/views/popover/MenuBarPopover.hpp"
#include "WidgetSupport.hpp"
#include "core/text/Strings.hpp"

namespace keepsift::app::widgettest {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A popover shown over a started scenario, after its appearance refresh.
struct ShownPopover {
    std::unique_ptr<AppModel> model;
    ActionLog log;
    std::unique_ptr<MenuBarPopover> popover;

    explicit ShownPopover(const std::string& scenario, AppModel::Environment extra = {}) {
        model = startedScenario(scenario, std::move(extra));
        popover = std::make_unique<MenuBarPopover>(*model, log.actions());
        showAndAwait(*popover, popover->appeared);
    }
    std::string text(const char* identifier) const { return textOf(*popover, identifier); }
    bool shows(const char* identifier) const { return showsControl(*popover, identifier); }
};

struct Case {
    const char* scenario;
    const char* language;
};

class PopoverRender : public ::testing::TestWithParam<Case> {};

TEST_P(PopoverRender, ShowsItsControlsWithNoTextCut) {
    const Case c = GetParam();
    ShownPopover shown(c.scenario, {{"KEEPSIFT_LANGUAGE", c.language}});
    screenshot(*shown.popover, std::string("popover-") + c.scenario + "-" + c.language);
    for (const char* control :
         {"status-line", "open-review", "open-settings", "toggle-pause", "quit"})
        EXPECT_TRUE(shown.shows(control)) << control;
    EXPECT_FALSE(shown.shows("check-for-updates")) << "the scenario has no updater";
    EXPECT_THAT(cutTexts(*shown.popover), IsEmpty());
    EXPECT_EQ(shown.popover->width(), MenuBarPopover::contentWidth);
    const bool german = std::string(c.language) == "de";
    EXPECT_EQ(shown.text("open-settings"), german ? "Einstellungen …" : "Settings…");
    EXPECT_EQ(shown.text("quit"), german ? "Keepsift beenden" : "Quit Keepsift");
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, PopoverRender,
    ::testing::Values(Case{"family-burst", "en"}, Case{"family-burst", "de"},
                      Case{"on-battery", "en"}, Case{"low-power", "de"},
                      Case{"permission-denied", "en"}, Case{"permission-denied", "de"},
                      Case{"permission-restricted", "en"}, Case{"nothing-to-review", "de"}),
    [](const auto& info) {
        std::string name = std::string(info.param.scenario) + "_" + info.param.language;
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

TEST(Popover, StatusBlockFollowsReadinessWorkAndQueue) {
    ShownPopover shown("family-burst");
    AppModel& model = *shown.model;
    EngineSnapshot snapshot = model.snapshot();
    snapshot.waiting = 30;
    model.setSnapshot(snapshot);
    model.setReadiness(QueueReadiness::run);
    model.setIsWorking(true);
    EXPECT_TRUE(shown.shows("working"));
    EXPECT_EQ(shown.popover->findChild<QWidget*>("working")->toolTip().toStdString(),
              "Looking at photos");
    EXPECT_FALSE(shown.shows("waiting-reason"));
    EXPECT_FALSE(shown.shows("waiting-line")) << "the queue is shown only with a reason";

    model.setReadiness(QueueReadiness::waitingForMains);
    EXPECT_FALSE(shown.shows("working")) << "working, but the queue does not run";
    snapshot.waiting = 0;
    model.setSnapshot(snapshot);
    EXPECT_EQ(shown.text("waiting-reason"), "Waiting for mains power.");
    EXPECT_FALSE(shown.shows("waiting-line"));
    snapshot.waiting = 1;
    model.setSnapshot(snapshot);
    EXPECT_TRUE(shown.shows("waiting-line"));

    model.setReadiness(QueueReadiness::tooHot);
    EXPECT_EQ(shown.text("waiting-reason"), "Paused until the computer is cooler.");
    model.setReadiness(QueueReadiness::noLibraryAccess);
    EXPECT_FALSE(shown.shows("waiting-reason"));
    EXPECT_THAT(cutTexts(*shown.popover), IsEmpty());
}

TEST(Popover, PermissionBlockOffersSettingsOnlyWhenDenied) {
    ShownPopover shown("family-burst");
    AppModel& model = *shown.model;
    EngineSnapshot snapshot = model.snapshot();
    EXPECT_FALSE(shown.shows("permission-notice"));
    snapshot.authorization = LibraryAuthorization::denied;
    model.setSnapshot(snapshot);
    EXPECT_TRUE(shown.shows("permission-notice"));
    EXPECT_TRUE(shown.shows("open-system-settings"));
    shown.popover->findChild<QPushButton*>("open-system-settings")->click();
    EXPECT_EQ(shown.log.privacy, 1);
    snapshot.authorization = LibraryAuthorization::restricted;
    model.setSnapshot(snapshot);
    EXPECT_TRUE(shown.shows("permission-notice"));
    EXPECT_FALSE(shown.shows("open-system-settings"));
}

// A library folder that cannot be read is said where the access notice would be, whole.
TEST(Popover, TheStatusNoticeShowsWhereTheAccessNoticeWould) {
    ShownPopover shown("family-burst");
    AppModel& model = *shown.model;
    const int before = shown.popover->height();
    model.setStatusNotice(libraryUnavailableNotice("/media/photos/Pictures", "en"));
    EXPECT_TRUE(shown.shows("permission-notice"));
    EXPECT_EQ(shown.text("permission-notice"),
              "Keepsift cannot read the folder \u201C/media/photos/Pictures\u201D of your photo "
              "library right now. Your review is kept until the folder is back.");
    EXPECT_FALSE(shown.shows("open-system-settings"));
    EXPECT_GT(shown.popover->height(), before);
    EXPECT_THAT(cutTexts(*shown.popover), IsEmpty());
    screenshot(*shown.popover, "popover-library-unavailable");
    model.setStatusNotice(std::nullopt);
    EXPECT_FALSE(shown.shows("permission-notice"));
    EXPECT_EQ(shown.popover->height(), before);
}

// What a review action said belongs to the review window, not to the status window.
TEST(Popover, TheOutcomeOfAReviewActionIsNotShownAsALibraryNotice) {
    ShownPopover shown("family-burst");
    shown.model->setNotice(Strings::text(FixedText::libraryRefused, "en"));
    EXPECT_FALSE(shown.shows("permission-notice"));
}

TEST(Popover, LanguageOtherThanGermanGivesEnglish) {
    for (const char* language : {"fr", "", "DE", "de-CH"}) {
        ShownPopover shown("family-burst", {{"KEEPSIFT_LANGUAGE", language}});
        EXPECT_EQ(shown.text("open-review"), "Review photos") << language;
        EXPECT_EQ(shown.text("toggle-pause"), "Pause") << language;
    }
}

TEST(Popover, ReviewAndSettingsCloseThePopoverFirstOthersDoNot) {
    ShownPopover shown("family-burst");
    auto click = [&](const char* identifier) {
        shown.popover->findChild<QPushButton*>(identifier)->click();
        settle();
    };
    click("open-review");
    click("open-settings");
    click("quit");
    EXPECT_THAT(shown.log.order, ElementsAre("dismiss", "review", "dismiss", "settings", "quit"));
}

TEST(Popover, PauseAndResumeGoThroughTheModel) {
    ShownPopover shown("family-burst");
    AppModel& model = *shown.model;
    shown.popover->findChild<QPushButton*>("toggle-pause")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.settings().isPaused; }, 30000));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return model.readiness() == QueueReadiness::paused; }, 30000));
    settle();
    EXPECT_EQ(shown.text("toggle-pause"), "Resume");
    EXPECT_EQ(shown.text("waiting-reason"), "Paused.");
    EXPECT_EQ(model.store()->settings().isPaused, true);
    shown.popover->findChild<QPushButton*>("toggle-pause")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model.settings().isPaused; }, 30000));
    settle();
    EXPECT_EQ(shown.text("toggle-pause"), "Pause");
}

TEST(Popover, UpdateButtonOnlyWhenTheUpdaterCanCheck) {
    ShownPopover shown("family-burst", {{"KEEPSIFT_LANGUAGE", "de"}});
    auto updater = std::make_shared<FakeUpdater>();
    shown.model->setUpdater(updater);
    EXPECT_EQ(shown.text("check-for-updates"), "Nach Updates suchen …");
    shown.popover->findChild<QPushButton*>("check-for-updates")->click();
    EXPECT_EQ(updater->checks, 1);
    EXPECT_TRUE(shown.log.order.empty()) << "the check does not close the popover";
    updater->canCheck = false;
    shown.model->setUpdater(updater);
    EXPECT_FALSE(shown.shows("check-for-updates"));
    EXPECT_TRUE(shown.shows("quit"));
}

TEST(Popover, StatusLineCountsTheFirstPassThenTheDiscards) {
    ShownPopover shown("nothing-to-review");
    AppModel& model = *shown.model;
    EngineSnapshot snapshot = model.snapshot();
    snapshot.hasCompletedFirstPass = true;
    model.setSnapshot(snapshot);
    EXPECT_EQ(shown.text("status-line"), "Nothing to discard.");
    snapshot.hasCompletedFirstPass = false;
    snapshot.authorization = LibraryAuthorization::authorized;
    snapshot.analysed = 3;
    snapshot.known = 10;
    model.setSnapshot(snapshot);
    EXPECT_EQ(shown.text("status-line"), Strings::scanProgress(3, 10, "en"));
}

} // namespace
} // namespace keepsift::app::widgettest
