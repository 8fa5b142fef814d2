#pragma once

namespace keepsift::app {

// Plugs the settings view, the first-run window and the menu-bar item into the shell's
// hooks. Call once at start-up, before the application is built.
void installDesktopViewHooks();

} // namespace keepsift::app
