#pragma once

#include <QImage>
#include <QRect>
#include <QRgb>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace keepsift::testing {

// A top-level window of the X display, as xwininfo sees it.
struct XWindow {
    QString id;
    QString title;
    QRect frame; // absolute
};

// The mapped top-level windows whose class names keepsift.
std::vector<XWindow> keepsiftWindows();
// A real pointer click through the XTEST extension (libXtst, loaded at run time).
bool clickAt(int x, int y);
// Real key presses through XTEST, sent at once with nothing between them: each chord's keys
// (X keysym names joined by "+", as "Control_L+q") are pressed in order and released in
// reverse. False when a key is unknown to the display, and then nothing is pressed.
bool pressKeys(const QStringList& chords);
// What the screen shows in the area (24-bit displays); a null image when it cannot be read.
QImage grabScreen(const QRect& area);
// The centre of the pixels of about this colour within the area of the screen; nothing when
// none has it.
std::optional<QPoint> findColour(const QRect& area, QRgb colour);
// Asks the window to close, as a window manager's close button does (WM_DELETE_WINDOW).
bool closeWindow(const QString& id);

} // namespace keepsift::testing
