#include "DesktopSupport.hpp"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QTest>
#include <QTextDocument>

#include "WidgetSupport.hpp"

namespace keepsift::app::widgettest {
namespace {

bool isShown(const QWidget& widget, const QWidget& root) {
    return widget.isVisibleTo(&root);
}

// The width and height the text needs in this label.
bool labelIsCut(const QLabel& label) {
    const QRect room = label.contentsRect();
    if (label.wordWrap()) return label.heightForWidth(label.width()) > label.height();
    QSize needed = label.sizeHint();
    if (label.textFormat() == Qt::RichText) {
        QTextDocument document;
        document.setDefaultFont(label.font());
        document.setHtml(label.text());
        needed = document.size().toSize();
        return needed.width() > room.width() + 8;
    }
    return needed.width() > label.width() || needed.height() > label.height();
}

} // namespace

std::vector<std::string> visibleIdentifiers(const QWidget& widget) {
    std::vector<std::string> names;
    for (const QWidget* child : widget.findChildren<QWidget*>())
        if (isShown(*child, widget) && !child->objectName().isEmpty() &&
            !child->objectName().startsWith(QStringLiteral("qt_")))
            names.push_back(child->objectName().toStdString());
    return names;
}

bool showsControl(const QWidget& widget, const char* identifier) {
    const auto* child = widget.findChild<QWidget*>(QString::fromUtf8(identifier));
    return child && isShown(*child, widget);
}

std::vector<std::string> cutTexts(const QWidget& widget) {
    std::vector<std::string> cut;
    for (const QLabel* label : widget.findChildren<QLabel*>())
        if (isShown(*label, widget) && !label->text().isEmpty() && labelIsCut(*label))
            cut.push_back(label->text().toStdString());
    for (const QAbstractButton* button : widget.findChildren<QAbstractButton*>()) {
        if (!isShown(*button, widget) || button->text().isEmpty()) continue;
        const QSize needed = button->sizeHint();
        if (needed.width() > button->width() || needed.height() > button->height())
            cut.push_back(button->text().toStdString());
    }
    return cut;
}

std::string textOf(const QWidget& widget, const char* identifier) {
    const auto* child = widget.findChild<QWidget*>(QString::fromUtf8(identifier));
    if (!child || !isShown(*child, widget)) return "";
    if (const auto* label = qobject_cast<const QLabel*>(child)) return label->text().toStdString();
    if (const auto* button = qobject_cast<const QAbstractButton*>(child))
        return button->text().toStdString();
    return "";
}

void showAndAwait(QWidget& widget, std::function<void()>& appeared) {
    bool done = false;
    appeared = [&done] { done = true; };
    widget.show();
    const bool finished = QTest::qWaitFor([&] { return done; }, 30000);
    appeared = nullptr;
    if (!finished) throw std::runtime_error("the window's appearance refresh never finished");
    settle();
}

WindowActions ActionLog::actions() {
    WindowActions actions;
    actions.showReview = [this] { ++reviews, order.push_back("review"); };
    actions.showSettings = [this] { ++settings, order.push_back("settings"); };
    actions.dismissPopover = [this] { ++dismissals, order.push_back("dismiss"); };
    actions.openPrivacySettings = [this] { ++privacy, order.push_back("privacy"); };
    actions.quit = [this] { ++quits, order.push_back("quit"); };
    return actions;
}

} // namespace keepsift::app::widgettest
