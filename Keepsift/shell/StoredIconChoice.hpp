#pragma once

#include <memory>

namespace keepsift {
class UserDefaults;
}

namespace keepsift::app {

// Whether the stored settings show the menu-bar icon, read before the model exists so that
// an icon the user hid never shows while Keepsift starts. What the model's first read would
// give: the default (shown) when nothing usable is stored. Reads only.
bool storedShowsMenuBarIcon(std::shared_ptr<UserDefaults> defaults);

} // namespace keepsift::app
