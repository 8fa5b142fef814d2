// Windows with a visible parent, as the platform itself shows them: the offscreen platform's
// composed screen, not the widget's own rendering. The delete confirmation, a group row's menu
// and a drop-down list must each show their texts on a light face, never a black box.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <filesystem>

#include "Keepsift/views/GroupRow.hpp"
#include "Keepsift/views/ReviewWindow.hpp"
#include "WidgetSupport.hpp"

namespace keepsift::app {
namespace {

using namespace widgettest;

// The part of the screen the window covers, kept as a PNG beside the other screenshots.
QImage onScreen(const QWidget& window, const std::string& name) {
    settle();
    const QRect frame = window.frameGeometry();
    QImage image = QGuiApplication::primaryScreen()
                       ->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
                       .toImage();
    std::filesystem::create_directories(KEEPSIFT_SCREENSHOTS);
    image.save(QString::fromStdString(std::string(KEEPSIFT_SCREENSHOTS) + "/" + name + ".png"));
    return image;
}

// Texts on a face: many colours (anti-aliased letters), mostly light, not black.
void expectPainted(const QImage& image, const std::string& name) {
    ASSERT_FALSE(image.isNull()) << name;
    QSet<QRgb> colours;
    int dark = 0, all = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2) {
            const QRgb pixel = image.pixel(x, y);
            colours.insert(pixel);
            dark += qGray(pixel) < 60;
            ++all;
        }
    EXPECT_GT(colours.size(), 8) << name << " shows no text";
    EXPECT_LT(dark * 2, all) << name << " is mostly black";
}

class PlatformPaint : public ::testing::Test {
protected:
    void SetUp() override {
        model = startedScenario("family-burst");
        window = std::make_unique<ReviewWindow>(*model, nullptr, appearing());
        showAtUsualSize(*window, true);
    }
    std::unique_ptr<AppModel> model;
    std::unique_ptr<ReviewWindow> window;
};

TEST_F(PlatformPaint, TheDeleteConfirmationPaints) {
    const auto& group = model->snapshot().review.groups.front();
    window->findChild<QPushButton*>(QString::fromStdString("delete-" + group.id))->click();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return window->confirmation() && window->confirmation()->isVisible(); }, 30000));
    expectPainted(onScreen(*window->confirmation(), "platform-delete-confirmation"),
                  "delete confirmation");
    window->confirmation()->reject();
}

TEST_F(PlatformPaint, AGroupRowsMenuPaints) {
    auto rows = window->findChildren<GroupRow*>();
    ASSERT_FALSE(rows.empty());
    GroupRow* row = rows.front();
    QImage shown;
    // The menu runs its own loop; it is looked at from inside that loop, then closed.
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu || !menu->isVisible()) return;
        look.stop();
        shown = onScreen(*menu, "platform-group-row-menu");
        menu->close();
    });
    look.start(50);
    const QPoint inside(20, 10);
    QContextMenuEvent event(QContextMenuEvent::Mouse, inside, row->mapToGlobal(inside));
    QApplication::sendEvent(row, &event);
    expectPainted(shown, "group row menu");
}

TEST_F(PlatformPaint, ADropDownListPaints) {
    QWidget parent;
    auto* box = new QVBoxLayout(&parent);
    auto* combo = new QComboBox(&parent);
    for (const char* entry : {"Every 10 photographs", "Every 25 photographs", "Never"})
        combo->addItem(QString::fromUtf8(entry));
    box->addWidget(combo);
    parent.show();
    settle();
    combo->showPopup();
    ASSERT_TRUE(QTest::qWaitFor([&] { return combo->view()->window()->isVisible(); }, 30000));
    expectPainted(onScreen(*combo->view()->window(), "platform-drop-down-list"), "drop-down list");
    combo->hidePopup();
}

} // namespace
} // namespace keepsift::app
