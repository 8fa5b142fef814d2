#pragma once

#include <filesystem>

#include "core/settings/WorkConditions.hpp"

namespace keepsift::app {

// The machine's power source from the kernel's power-supply classes: a system battery that
// is discharging means battery; other sources mean mains; no readable source means unknown,
// so a desktop without any entry never waits for mains.
WorkConditions::Power
powerSource(const std::filesystem::path& powerSupplyRoot = "/sys/class/power_supply");

} // namespace keepsift::app
