#pragma once

#include <QString>

namespace keepsift::app {

class StartupTrayItem;
class WindowMaker;

// A passing message beside whichever menu-bar item is shown: the start-up item, or the views'
// item that took its place.
void announceBesideShownItem(StartupTrayItem& startup, WindowMaker& views, const QString& message);

} // namespace keepsift::app
