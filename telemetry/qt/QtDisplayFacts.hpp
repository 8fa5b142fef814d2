#pragma once

#include "telemetry/device/DisplayFacts.hpp"

namespace keepsift::analytics {

// What Qt says now of the primary screen, the colour scheme and the layout direction; nothing
// of the screen or the direction without an application object or a screen.
DisplayFacts qtDisplayFacts();

} // namespace keepsift::analytics
