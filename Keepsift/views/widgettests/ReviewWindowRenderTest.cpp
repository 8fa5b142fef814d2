#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

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

} // namespace
} // namespace keepsift::app
