#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>

#include "Keepsift/views/ReviewWindow.hpp"
#include "WidgetSupport.hpp"

namespace keepsift::app {
namespace {

using namespace widgettest;

TEST(ReviewWindowRender, FamilyBurstShowsItsGroupWithTheKeeperBadgeAndReasons) {
    auto model = startedScenario("family-burst");
    ASSERT_FALSE(model->snapshot().review.groups.empty());
    ReviewWindow window(*model, nullptr, appearing());
    window.resize(980, 680);
    window.show();
    settle();
    waitUntilAppeared();
    const QImage shot = screenshot(window, "review-family-burst");
    EXPECT_FALSE(shot.isNull());

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
}

// The list is padded 20 on its sides, and the title above lines up with its rows (the window
// manager, not the content, holds the window's buttons). A group whose photographs share the
// whole width shows every cell whole, without a scroll bar.
TEST(ReviewWindowRender, RowsKeepTheListPaddingAndCellsThatShareTheWidthFit) {
    auto model = startedScenario("family-burst");
    ReviewWindow window(*model, nullptr, appearing());
    window.resize(980, 680);
    window.show();
    settle();
    waitUntilAppeared();
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
