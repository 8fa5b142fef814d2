#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>

#include "Keepsift/views/GroupRow.hpp"
#include "Keepsift/views/RowMetrics.hpp"
#include "WidgetSupport.hpp"

namespace keepsift::app {
namespace {

using namespace widgettest;

void click(QWidget* widget, QPoint at) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, at);
    settle();
}

// A single click on the row's own background makes it the active row; its texts are not the
// background and leave the active row where it is.
TEST(GroupRowClicks, TheBackgroundActivatesTheRowAndItsTextsDoNot) {
    auto model = startedScenario("family-burst");
    const ReviewGroup group = model->snapshot().review.groups.front();
    ASSERT_TRUE(group.capturedAt);
    ASSERT_GE(group.photos.size(), 2u);
    int activations = 0;
    RowCallbacks callbacks;
    callbacks.onActivate = [&](const ReviewGroup&) { ++activations; };
    callbacks.onHover = [](const ReviewGroup&, bool) {};
    QWidget host;
    auto* row = new GroupRow(ThumbnailRequests::make(model->images()), callbacks, &host);
    RowMetrics metrics("en");
    row->resize(900, 10);
    row->bind(group, 148, 844, {}, metrics);
    host.resize(900, row->height());
    host.show();
    settle();

    QLabel* date = nullptr;
    for (auto* label : row->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        if (label->isVisible()) date = label;
    ASSERT_NE(date, nullptr);
    ASSERT_FALSE(date->text().isEmpty());
    click(date, date->rect().center());
    auto* reason =
        row->findChild<QLabel*>(QString::fromStdString("reason-" + group.photos[0].assetID));
    ASSERT_NE(reason, nullptr);
    click(reason, reason->rect().center());
    EXPECT_EQ(activations, 0) << "texts do not reach the row";

    click(row, QPoint(RowMetrics::padding / 2, RowMetrics::padding / 2));
    EXPECT_EQ(activations, 1) << "the row's padding is its background";
    PhotoCell* first = row->cells()[0];
    const QPoint gap = first->mapTo(row, QPoint(first->width() + 3, first->height() / 2));
    click(row->childAt(gap), row->childAt(gap)->mapFrom(row, gap));
    EXPECT_EQ(activations, 2) << "so is the gap between two photographs";
}

} // namespace
} // namespace keepsift::app
