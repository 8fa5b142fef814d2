#pragma once

#include <QRect>
#include <QString>
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

} // namespace keepsift::testing
