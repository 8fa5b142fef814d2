#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>

namespace keepsift::app {

// The menu-bar item's picture: a stack of photographs, filled while the engine works, with a
// dot at the top right once enough photographs wait for review. Drawn in the panel's ink
// with a solid outline of the opposite ink, so it reads on light and dark panels alike, also
// where the panel's colour is not what the application's palette suggests.
struct MenuBarIcon {
    static constexpr int side = 22; // logical pixels of a panel icon

    // Both the 1x and the 2x picture.
    static QIcon make(bool isWorking, bool nudges, const QColor& ink);
    static QImage paint(bool isWorking, bool nudges, const QColor& ink, qreal pixelRatio);
    // Light ink where the panel is known to be dark (GNOME's top bar, in its light style as
    // in its dark one; `desktop` is $XDG_CURRENT_DESKTOP), else light ink on a dark palette
    // and dark ink on a light one.
    static QColor panelInk(const QPalette& palette, const QString& desktop = {});
};

} // namespace keepsift::app
