#include "telemetry/qt/QtDisplayFacts.hpp"

#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <QStyleHints>

namespace keepsift::analytics {
namespace {

using Scheme = DisplayFacts::ColorScheme;

// Before Qt 6.5 the palette is all Qt tells: light text on a darker window is a dark scheme.
Scheme paletteScheme() {
    const QPalette palette = QGuiApplication::palette();
    return palette.color(QPalette::Window).lightness() <
                   palette.color(QPalette::WindowText).lightness()
               ? Scheme::dark
               : Scheme::light;
}

Scheme colorScheme() {
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    switch (QGuiApplication::styleHints()->colorScheme()) {
    case Qt::ColorScheme::Dark:
        return Scheme::dark;
    case Qt::ColorScheme::Light:
        return Scheme::light;
    default:
        break;
    }
#endif
    return paletteScheme();
}

} // namespace

DisplayFacts qtDisplayFacts() {
    DisplayFacts facts;
    if (qGuiApp == nullptr) return facts;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect frame = screen->geometry();
        facts.mainScreen =
            DisplayFacts::Screen{static_cast<double>(frame.width()),
                                 static_cast<double>(frame.height()), screen->devicePixelRatio()};
    }
    facts.colorScheme = colorScheme();
    facts.layoutDirection = QGuiApplication::layoutDirection() == Qt::RightToLeft
                                ? DisplayFacts::LayoutDirection::rightToLeft
                                : DisplayFacts::LayoutDirection::leftToRight;
    return facts;
}

} // namespace keepsift::analytics
