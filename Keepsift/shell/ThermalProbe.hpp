#pragma once

#include <filesystem>

namespace keepsift::app {

// True when a thermal zone is above one of its passive trip points, the temperature at
// which the kernel starts to slow the machine down to cool it.
bool isTooHot(const std::filesystem::path& thermalRoot = "/sys/class/thermal");

} // namespace keepsift::app
