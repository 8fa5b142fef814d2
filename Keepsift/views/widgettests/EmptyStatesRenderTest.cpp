#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>

#include "Keepsift/views/ReviewWindow.hpp"
#include "WidgetSupport.hpp"

namespace keepsift::app {
namespace {

using namespace widgettest;

struct Shown {
    std::unique_ptr<AppModel> model;
    std::unique_ptr<ReviewWindow> window;
};

Shown show(const std::string& scenario, AppModel::Environment extra, const std::string& shot) {
    Shown shown;
    shown.model = startedScenario(scenario, std::move(extra));
    shown.window = std::make_unique<ReviewWindow>(*shown.model, nullptr, appearing());
    showAtUsualSize(*shown.window);
    screenshot(*shown.window, shot);
    return shown;
}

// The label's text when it is shown whole: wrapped, its lines all fit its height.
QString text(const ReviewWindow& window, const char* name) {
    auto* label = window.findChild<QLabel*>(name);
    if (!label || !label->isVisible()) return {};
    const QRect needed = label->fontMetrics().boundingRect(QRect(0, 0, label->width(), 10000),
                                                           Qt::TextWordWrap, label->text());
    EXPECT_LE(needed.height(), label->height()) << name << " is cut";
    EXPECT_LE(needed.width(), label->width()) << name << " is cut";
    return label->text();
}

bool visible(const ReviewWindow& window, const char* name) {
    auto* widget = window.findChild<QWidget*>(name);
    return widget && widget->isVisible();
}

std::string buttonText(const ReviewWindow& window, const char* name) {
    auto* button = window.findChild<QPushButton*>(name);
    if (!button || !button->isVisible()) return {};
    EXPECT_GE(button->width(), button->sizeHint().width()) << name << " is cut";
    return button->text().toStdString();
}

// The button opens Keepsift's own settings, where library access is given: it says so, as the
// popover's does.
TEST(EmptyStatesRender, DeniedAccessShowsTheNoticeAndTheSettingsButton) {
    for (const auto& [language, button] : {std::pair("en", "Open Keepsift Settings"),
                                           std::pair("de", "Keepsift-Einstellungen öffnen")}) {
        auto shown = show("permission-denied", {{"KEEPSIFT_LANGUAGE", language}},
                          std::string("review-access-denied-") + language);
        ASSERT_TRUE(shown.model->accessNotice());
        EXPECT_EQ(text(*shown.window, "empty-state").toStdString(), *shown.model->accessNotice());
        EXPECT_EQ(buttonText(*shown.window, "open-system-settings"), button);
        EXPECT_FALSE(visible(*shown.window, "group-list"));
    }
}

// Originals a sync client keeps elsewhere: the sheet says that, not iCloud.
TEST(EmptyStatesRender, TheScopeSheetSpeaksOfTheSyncClientInBothLanguages) {
    struct Case {
        const char* language;
        const char* title;
        const char* explanationStart;
    };
    for (const Case& c :
         {Case{"en", "A sync client keeps your originals elsewhere",
               "Keepsift sorts this library from the previews already on this computer."},
          Case{"de", "Ein Sync-Client bewahrt deine Originale anderswo auf",
               "Keepsift sortiert die Mediathek anhand der Vorschauen, die schon auf diesem "
               "Computer liegen."}}) {
        auto shown = show("family-burst",
                          {{"KEEPSIFT_LANGUAGE", c.language}, {"KEEPSIFT_STORAGE", "optimised"}},
                          std::string("review-scope-sheet-") + c.language);
        ASSERT_TRUE(shown.window->scopeSheet()->isVisible());
        screenshot(*shown.window->scopeSheet(), std::string("scope-sheet-") + c.language);
        EXPECT_EQ(text(*shown.window, "icloud-title").toStdString(), c.title);
        EXPECT_EQ(
            text(*shown.window, "icloud-explanation").toStdString().rfind(c.explanationStart, 0),
            0u);
        shown.model->setHasDeferredICloudChoice(true);
        settle();
    }
}

TEST(EmptyStatesRender, RestrictedAccessHasNoSettingsButton) {
    auto shown = show("permission-restricted", {}, "review-access-restricted");
    EXPECT_FALSE(text(*shown.window, "empty-state").isEmpty());
    EXPECT_FALSE(visible(*shown.window, "open-system-settings"));
}

TEST(EmptyStatesRender, NothingToReviewHidesTheSelectionButtons) {
    auto shown = show("nothing-to-review", {}, "review-nothing-to-review");
    EXPECT_EQ(text(*shown.window, "empty-state").toStdString(), "Nothing to review.");
    EXPECT_FALSE(visible(*shown.window, "toggle-select-all"));
    EXPECT_FALSE(visible(*shown.window, "delete-selected"));
    auto* deleteAll = shown.window->findChild<QPushButton*>("delete-all");
    ASSERT_NE(deleteAll, nullptr);
    EXPECT_FALSE(deleteAll->isEnabled());
    EXPECT_EQ(deleteAll->text().toStdString(), "Delete all 0 discarded photos");
}

TEST(EmptyStatesRender, GermanTextsFitTheirPlaces) {
    auto shown = show("family-burst", {{"KEEPSIFT_LANGUAGE", "de"}}, "review-german");
    const auto& group = shown.model->snapshot().review.groups.front();
    auto* row = shown.window->groupList()->rowFor(group.id);
    ASSERT_NE(row, nullptr);
    EXPECT_TRUE(overlappingControls(*row).empty());
    auto* compare =
        shown.window->findChild<QPushButton*>(QString::fromStdString("compare-" + group.id));
    ASSERT_NE(compare, nullptr);
    EXPECT_EQ(compare->text().toStdString(), "Alle vergleichen");
    EXPECT_GE(compare->width(), compare->sizeHint().width()) << "not cut";
    EXPECT_EQ(text(*shown.window, "shortcut-hint").toStdString().rfind("↑ ↓ Gruppe", 0), 0u);
}

TEST(EmptyStatesRender, AFullBatchWhileLookingShowsProgressAndTheBanner) {
    auto shown = show("family-burst", {}, "review-family-burst-plain");
    EngineSnapshot running = shown.model->snapshot();
    running.hasCompletedFirstPass = false;
    running.analysed = 3;
    running.known = 40;
    running.batchIsFull = true;
    shown.model->setSnapshot(running);
    settle();
    screenshot(*shown.window, "review-batch-banner");
    EXPECT_TRUE(visible(*shown.window, "scan-progress"));
    EXPECT_EQ(text(*shown.window, "batch-paused").toStdString(),
              "Downloads paused — 1 groups ready to review. Looking through the library carries "
              "on.");
    EXPECT_TRUE(visible(*shown.window, "keep-looking"));
    EXPECT_EQ(text(*shown.window, "keep-looking-detail").toStdString(),
              "Fetches the originals for the next 200 groups from where your sync client keeps "
              "them and looks at them. How long that takes depends on your connection.");
}

} // namespace
} // namespace keepsift::app
