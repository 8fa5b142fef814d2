#include "Keepsift/shell/WindowTexts.hpp"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>

namespace keepsift::app {
namespace {

void addLine(std::string& lines, const QWidget& window, const QWidget& widget, QString text) {
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    lines += std::string(window.metaObject()->className()) + '\t' +
             widget.objectName().toStdString() + '\t' + text.toStdString() + '\n';
}

} // namespace

std::string visibleWindowTexts() {
    std::string lines;
    for (const QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible()) continue;
        for (const QLabel* label : window->findChildren<QLabel*>())
            if (label->isVisibleTo(window)) addLine(lines, *window, *label, label->text());
        for (const QAbstractButton* button : window->findChildren<QAbstractButton*>())
            if (button->isVisibleTo(window)) addLine(lines, *window, *button, button->text());
    }
    return lines;
}

} // namespace keepsift::app
