#include "Keepsift/shell/Announcements.hpp"

#include "Keepsift/shell/StartupTrayItem.hpp"
#include "Keepsift/shell/WindowMaker.hpp"

namespace keepsift::app {

void announceBesideShownItem(StartupTrayItem& startup, WindowMaker& views, const QString& message) {
    if (startup.isShown()) return startup.announce(message);
    views.announce(message);
}

} // namespace keepsift::app
