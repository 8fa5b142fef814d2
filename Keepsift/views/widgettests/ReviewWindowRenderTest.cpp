#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>

#include "Keepsift/model/LibraryNotice.hpp"
#include "Keepsift/views/PhotoBadge.hpp"
#include "Keepsift/views/ReviewWindow.hpp"
#include "Keepsift/views/ViewTexts.hpp"
#include "WidgetSupport.hpp"
#include "core/text/Strings.hpp"

namespace keepsift::app {
namespace {

using namespace widgettest;
using ::testing::IsEmpty;

bool near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
               std::abs(a.blue() - b.blue()) <
           36;
}

// How wide the accent-filled badge at the picture's top-left corner is drawn: from the first
// to the last accent pixel along its middle, right of the keeper's border; 0 without one.
int accentBadgeWidth(ThumbnailButton& picture, int inset, bool large) {
    const QImage image = picture.grab().toImage();
    const QColor accent = picture.palette().color(QPalette::Highlight);
    const QRect badge = PhotoBadge::bounds(QPoint(inset, inset), true, "en", large);
    const int y = badge.center().y();
    int first = -1, last = -1;
    for (int x = inset; x < image.width() / 2; ++x)
        if (near(image.pixelColor(x, y), accent)) {
            if (first < 0) first = x;
            last = x;
        }
    return first < 0 ? 0 : last - first + 1;
}

// The kept photograph wears the "Kept" badge in the accent colour; the others do not.
void expectKeptBadgeOnlyOnTheKeeper(QWidget& window, const ReviewGroup& group,
                                    const std::string& prefix, int inset, bool large) {
    const int keptWidth = PhotoBadge::bounds({}, true, "en", large).width();
    const int discardWidth = PhotoBadge::bounds({}, false, "en", large).width();
    ASSERT_GT(std::abs(keptWidth - discardWidth), 6) << "the two badges tell apart by width";
    for (const auto& photo : group.photos) {
        auto* picture = window.findChild<ThumbnailButton*>(qtext(prefix + photo.assetID));
        ASSERT_NE(picture, nullptr) << photo.assetID;
        const int width = accentBadgeWidth(*picture, inset, large);
        if (photo.isKeeper)
            EXPECT_NEAR(width, keptWidth, 3) << photo.filename << " wears the Kept badge";
        else
            EXPECT_EQ(width, 0) << photo.filename << " wears no Kept badge";
    }
}

TEST(ReviewWindowRender, FamilyBurstShowsItsGroupWithTheKeeperBadgeAndReasons) {
    auto model = startedScenario("family-burst");
    ASSERT_FALSE(model->snapshot().review.groups.empty());
    ReviewWindow window(*model, nullptr, appearing());
    showAtUsualSize(window);
    screenshot(window, "review-family-burst");
    EXPECT_THAT(cutTexts(window), IsEmpty());
    for (const char* text : {"flagged-summary", "nothing-moved", "shortcut-hint", "delete-all"})
        EXPECT_FALSE(textOf(window, text).empty()) << text;

    const auto& group = model->snapshot().review.groups.front();
    GroupRow* row = window.groupList()->rowFor(group.id);
    ASSERT_NE(row, nullptr);
    EXPECT_TRUE(row->isVisible());
    EXPECT_EQ(row->objectName().toStdString(), "group-" + group.id);
    for (const auto& photo : group.photos) {
        auto* picture =
            window.findChild<ThumbnailButton*>(QString::fromStdString("photo-" + photo.assetID));
        ASSERT_NE(picture, nullptr) << photo.assetID;
        EXPECT_EQ(picture->accessibleDescription().toStdString(),
                  photo.isKeeper ? "Kept" : "Discard");
        EXPECT_NE(picture->state().image(), nullptr) << "the swatch arrived";
        auto* reason = window.findChild<QLabel*>(QString::fromStdString("reason-" + photo.assetID));
        ASSERT_NE(reason, nullptr);
        EXPECT_FALSE(reason->text().isEmpty());
        // Not cut: the wrapped text fits the label's height.
        const QRect needed = reason->fontMetrics().boundingRect(QRect(0, 0, reason->width(), 10000),
                                                                Qt::TextWordWrap, reason->text());
        EXPECT_LE(needed.height(), reason->height()) << reason->text().toStdString();
    }
    EXPECT_TRUE(overlappingControls(*row).empty());
    auto* deleteAll = window.findChild<QPushButton*>("delete-all");
    ASSERT_NE(deleteAll, nullptr);
    EXPECT_TRUE(deleteAll->isEnabled());
    expectKeptBadgeOnlyOnTheKeeper(window, group, "photo-", 6, false);

    pressKey(&window, Qt::Key_Space);
    ASSERT_TRUE(window.compareOverlay()->isVisible());
    screenshot(window, "review-compare-badges");
    EXPECT_THAT(cutTexts(*window.compareOverlay()), IsEmpty());
    expectKeptBadgeOnlyOnTheKeeper(window, group, "compare-", 8, true);
}

// The model's status notice (a library folder that cannot be read) takes the footer's outcome
// line while no delete outcome is shown, whole; a review action's refusal does not.
TEST(ReviewWindowRender, TheStatusNoticeShowsInTheFooter) {
    auto model = startedScenario("family-burst");
    ReviewWindow window(*model, nullptr, appearing());
    showAtUsualSize(window);
    EXPECT_EQ(textOf(window, "delete-outcome"), "");
    model->setNotice(Strings::text(FixedText::libraryRefused, "en"));
    settle();
    EXPECT_EQ(textOf(window, "delete-outcome"), "");
    model->setStatusNotice(libraryUnavailableNotice("/media/photos/Pictures", "de"));
    settle();
    EXPECT_EQ(
        textOf(window, "delete-outcome"),
        "Keepsift kann den Ordner \u201E/media/photos/Pictures\u201C deiner Fotomediathek "
        "gerade nicht lesen. Deine Durchsicht bleibt erhalten, bis der Ordner wieder da ist.");
    EXPECT_THAT(cutTexts(window), IsEmpty());
    screenshot(window, "review-library-unavailable");
    model->setStatusNotice(std::nullopt);
    settle();
    EXPECT_EQ(textOf(window, "delete-outcome"), "");
}

// The list is padded 20 on its sides, and the title above lines up with its rows (the window
// manager, not the content, holds the window's buttons). A group whose photographs share the
// whole width shows every cell whole, without a scroll bar.
TEST(ReviewWindowRender, RowsKeepTheListPaddingAndCellsThatShareTheWidthFit) {
    auto model = startedScenario("family-burst");
    ReviewWindow window(*model, nullptr, appearing());
    showAtUsualSize(window);
    window.findChild<QSlider*>("thumbnail-size")->setValue(520);
    settle();
    screenshot(window, "review-widest-cells");
    const auto& group = model->snapshot().review.groups.front();
    GroupRow* row = window.groupList()->rowFor(group.id);
    ASSERT_NE(row, nullptr);
    const int listWidth = window.groupList()->viewport()->width();
    EXPECT_EQ(row->x(), 20);
    EXPECT_EQ(row->width(), listWidth - 40);
    auto* title = window.header()->findChild<QLabel*>("review-title");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->mapTo(&window, QPoint()).x(), row->mapTo(&window, QPoint()).x());

    ASSERT_EQ(row->cells().size(), group.photos.size());
    const PhotoCell* last = row->cells().back();
    const int lastRight = last->mapTo(row, QPoint(last->width(), 0)).x();
    EXPECT_LE(lastRight, row->width() - 10) << "the last cell is not cut";
    EXPECT_GT(lastRight, row->width() - 20) << "the cells share the width";
    for (auto* bar : row->findChildren<QScrollBar*>())
        EXPECT_FALSE(bar->isVisible());
}

} // namespace
} // namespace keepsift::app
