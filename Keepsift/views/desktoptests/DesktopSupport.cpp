#include "DesktopSupport.hpp"

#include <QAbstractButton>
#include <QLabel>
#include <QTest>

#include "WidgetSupport.hpp"

namespace keepsift::app::widgettest {
namespace {

bool isShown(const QWidget& widget, const QWidget& root) {
    return widget.isVisibleTo(&root);
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
