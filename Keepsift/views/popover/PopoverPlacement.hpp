#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace keepsift::app {

// Where the popover's top-left corner goes: centred under the tray icon (above it when the
// icon sits in the lower half of the screen), or at the cursor where the tray gives no
// geometry; always inside the screen's available area.
QPoint popoverPosition(const QSize& popover, const QRect& icon, const QPoint& cursor,
                       const QRect& screen);

} // namespace keepsift::app
