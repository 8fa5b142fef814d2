#include <algorithm>
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include "Keepsift/views/ReviewWindow.hpp"
#include "WidgetSupport.hpp"

namespace keepsift::app {
namespace {

using namespace widgettest;

class ReviewWindowKeys : public ::testing::Test {
protected:
    void open(const std::string& scenario, AppModel::Environment extra = {}) {
        model = startedScenario(scenario, std::move(extra));
        window = std::make_unique<ReviewWindow>(*model, nullptr, appearing());
        showAtUsualSize(*window, true);
    }
    // Runs the event loop until the model published what the test waits for.
    void until(const std::function<bool()>& condition) {
        ASSERT_TRUE(QTest::qWaitFor(condition, 30000));
        settle();
    }
    const ReviewGroup& firstGroup() const { return model->snapshot().review.groups.front(); }
    std::int64_t flagged() const { return model->snapshot().review.flaggedCount; }
    QPushButton* button(const std::string& name) const {
        return window->findChild<QPushButton*>(QString::fromStdString(name));
    }

    // The footer never says nothing was moved beside a line that says photographs were.
    void expectNoNothingMovedBesideAMove() const {
        std::vector<std::string> shown;
        for (const QLabel* label : window->findChildren<QLabel*>())
            if (label->isVisible()) shown.push_back(label->text().toStdString());
        const auto says = [&](const std::string& words) {
            return std::any_of(shown.begin(), shown.end(), [&](const std::string& text) {
                return text.find(words) != std::string::npos;
            });
        };
        EXPECT_TRUE(says("moved to the Trash"));
        EXPECT_FALSE(says("Nothing has been moved or changed"));
    }

    std::unique_ptr<AppModel> model;
    std::unique_ptr<ReviewWindow> window;
};

TEST_F(ReviewWindowKeys, KeysMoveCompareToggleAndSelectWithoutFocus) {
    open("family-burst");
    const auto group = firstGroup();
    EXPECT_EQ(window->state().activeGroup, group.id) << "the list makes its first group active";

    pressKey(window.get(), Qt::Key_Space);
    EXPECT_TRUE(window->compareOverlay()->isVisible());
    screenshot(*window, "review-compare-family-burst");
    pressKey(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(window->compareOverlay()->isVisible());

    pressKey(window.get(), Qt::Key_S);
    EXPECT_TRUE(window->state().selected.contains(group.id));
    pressKey(window.get(), Qt::Key_Return);
    EXPECT_FALSE(window->state().selected.contains(group.id));

    pressKey(window.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_FALSE(window->state().selected.contains(group.id)) << "Control-S is not ours";

    const bool wasKeeper = group.photos[0].isKeeper;
    pressKey(window.get(), Qt::Key_1);
    until([&] { return firstGroup().photos[0].isKeeper != wasKeeper; });
    EXPECT_TRUE(firstGroup().photos[0].isUsers);
    auto* picture = window->findChild<ThumbnailButton*>(
        QString::fromStdString("photo-" + firstGroup().photos[0].assetID));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->accessibleDescription(), wasKeeper ? "Discard" : "Kept");
}

// The keys are the window's, not a control's: with the first row's check box focused,
// Control-Space would select its group.
TEST_F(ReviewWindowKeys, NoControlHoldsTheFocusWhenTheWindowOpens) {
    open("family-burst");
    QWidget* focus = QApplication::focusWidget();
    EXPECT_TRUE(focus == nullptr || focus == window.get())
        << focus->metaObject()->className() << " " << focus->objectName().toStdString();
    pressKey(window.get(), Qt::Key_Space, Qt::ControlModifier);
    pressKey(window.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(window->state().selected.empty()) << "neither is ours, and no control took them";
    EXPECT_FALSE(window->compareOverlay()->isVisible());
    pressKey(window.get(), Qt::Key_Space);
    EXPECT_TRUE(window->compareOverlay()->isVisible()) << "the plain key reached the monitor";
}

TEST_F(ReviewWindowKeys, KeysReachTheContentInsideThePresentersWindow) {
    model = startedScenario("family-burst");
    QWidget host;
    auto* layout = new QVBoxLayout(&host);
    auto* content = new ReviewWindow(*model, nullptr, appearing());
    layout->addWidget(content);
    host.resize(980, 680);
    host.show();
    settle();
    waitUntilAppeared();
    pressKey(&host, Qt::Key_Space);
    EXPECT_TRUE(content->compareOverlay()->isVisible());
    pressKey(&host, Qt::Key_Escape);
    EXPECT_FALSE(content->compareOverlay()->isVisible());
}

TEST_F(ReviewWindowKeys, KeysForAnotherWindowPassThrough) {
    open("family-burst");
    QWidget settings;
    settings.setObjectName("settings");
    settings.resize(300, 200);
    settings.show();
    settle();
    QTest::keyClick(&settings, Qt::Key_Space);
    QTest::keyClick(&settings, Qt::Key_S);
    settle();
    EXPECT_FALSE(window->compareOverlay()->isVisible());
    EXPECT_TRUE(window->state().selected.empty());
}

TEST_F(ReviewWindowKeys, DeleteGoesThroughTheConfirmationAndCancelDeletesNothing) {
    open("family-burst");
    const auto group = firstGroup();
    const auto before = flagged();
    ASSERT_GT(before, 0);
    button("delete-" + group.id)->click();
    // A loaded machine may take more than a few rounds of events to show the dialog.
    until([&] {
        return window->confirmation() != nullptr && window->confirmation()->isVisible() &&
               QApplication::activeModalWidget() == window->confirmation();
    });
    EXPECT_EQ(window->confirmation()->windowModality(), Qt::WindowModal);
    EXPECT_NE(window->confirmation()->informativeText().indexOf("Trash"), -1);
    screenshot(*window->confirmation(), "review-delete-confirmation");

    // Keys while the confirmation is up go to the confirmation, not to the review window.
    // (An arrow there moves the focus from Cancel to Delete, as in every dialog; Space then
    // presses the focused button, so the review's keys are tried without one.)
    const auto active = window->state().activeGroup;
    const bool firstWasKeeper = group.photos[0].isKeeper;
    pressKey(window.get(), Qt::Key_S);
    pressKey(window.get(), Qt::Key_1);
    pressKey(window.get(), Qt::Key_Space);
    EXPECT_EQ(window->state().activeGroup, active);
    EXPECT_TRUE(window->state().selected.empty());
    EXPECT_EQ(firstGroup().photos[0].isKeeper, firstWasKeeper);
    EXPECT_FALSE(window->compareOverlay()->isVisible());

    pressKey(window.get(), Qt::Key_Escape);
    until([&] { return !window->state().confirming; });
    EXPECT_EQ(flagged(), before) << "nothing deleted";
}

TEST_F(ReviewWindowKeys, ConfirmedDeleteMovesTheBatchAndSaysSo) {
    open("family-burst");
    const auto group = firstGroup();
    const auto count = group.flaggedPhotos().size();
    button("delete-" + group.id)->click();
    settle();
    ASSERT_NE(window->confirmation(), nullptr);
    window->confirmation()->confirmButton()->click();
    until([&] { return window->state().outcome.has_value(); });
    EXPECT_EQ(*window->state().outcome, std::to_string(count) + " photos moved to the Trash.");
    EXPECT_EQ(flagged(), 0);
    expectNoNothingMovedBesideAMove();
    screenshot(*window, "review-after-delete");
}

// Groups whose photographs went to the Trash leave the selection: should one come back with
// photographs to discard, it is not quietly part of the next delete.
TEST_F(ReviewWindowKeys, ADeletedSelectionLeavesNothingSelected) {
    open("family-burst");
    const auto group = firstGroup();
    pressKey(window.get(), Qt::Key_S);
    ASSERT_TRUE(window->state().selected.contains(group.id));
    button("delete-selected")->click();
    settle();
    ASSERT_NE(window->confirmation(), nullptr);
    window->confirmation()->confirmButton()->click();
    until([&] { return window->state().outcome.has_value(); });
    EXPECT_EQ(flagged(), 0);
    EXPECT_TRUE(window->state().selected.empty());
}

TEST_F(ReviewWindowKeys, ABatchThatMovedUnderTheConfirmationIsRefusedAndNothingIsDeleted) {
    open("family-burst");
    const auto group = firstGroup();
    button("delete-" + group.id)->click();
    settle();
    ASSERT_NE(window->confirmation(), nullptr);
    // The user (or the engine) changes the group while the confirmation is up.
    const auto flaggedPhoto = group.flaggedPhotos().front();
    waitFor([&](AppModel::Done done) { model->override(true, flaggedPhoto.assetID, done); });
    const auto before = flagged();
    window->confirmation()->confirmButton()->click();
    until([&] { return window->state().outcome.has_value(); });
    EXPECT_EQ(*window->state().outcome,
              "The batch changed while you were confirming — nothing was deleted. Please look "
              "again.");
    EXPECT_EQ(flagged(), before) << "nothing deleted";
    screenshot(*window, "review-batch-moved");
}

TEST_F(ReviewWindowKeys, TheICloudSheetTakesTheKeysAndEscapePutsTheChoiceOff) {
    open("family-burst", {{"KEEPSIFT_STORAGE", "optimised"}});
    ASSERT_TRUE(model->needsICloudChoice());
    settle();
    ASSERT_TRUE(window->scopeSheet()->isVisible());
    screenshot(*window->scopeSheet(), "review-icloud-sheet");
    const auto active = window->state().activeGroup;
    pressKey(window.get(), Qt::Key_Down);
    pressKey(window.get(), Qt::Key_Space);
    EXPECT_EQ(window->state().activeGroup, active);
    EXPECT_FALSE(window->state().comparing);
    pressKey(window.get(), Qt::Key_Escape);
    settle();
    EXPECT_TRUE(model->hasDeferredICloudChoice());
    EXPECT_FALSE(window->scopeSheet()->isVisible());
}

TEST_F(ReviewWindowKeys, ChoosingBatchesStoresTheScope) {
    open("family-burst", {{"KEEPSIFT_STORAGE", "optimised"}});
    ASSERT_TRUE(window->scopeSheet()->isVisible());
    window->scopeSheet()->findChild<QPushButton*>("icloud-batches")->click();
    until([&] { return model->settings().scanScope.has_value(); });
    EXPECT_EQ(model->settings().scanScope, ScanScope::batches);
    until([&] { return !window->scopeSheet()->isVisible(); });
}

} // namespace
} // namespace keepsift::app
