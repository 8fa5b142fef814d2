#include "Keepsift/shell/Announcements.hpp"

#include "Keepsift/shell/StartupTrayItem.hpp"
#include "Keepsift/shell/WindowHooks.hpp"

namespace keepsift::app {

void announceBesideShownItem(StartupTrayItem& startup, const QString& message) {
    const auto& views = windowHooks().announce;
    if (startup.isShown() || !views) return startup.announce(message);
    views(message);
}

} // namespace keepsift::app
