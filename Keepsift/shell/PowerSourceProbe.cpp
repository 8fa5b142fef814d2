#include "Keepsift/shell/PowerSourceProbe.hpp"

#include "Keepsift/shell/SysfsText.hpp"

namespace keepsift::app {

WorkConditions::Power powerSource(const std::filesystem::path& powerSupplyRoot) {
    bool anySource = false;
    for (const auto& source : sysfsEntries(powerSupplyRoot)) {
        const auto type = sysfsLine(source / "type");
        if (!type) continue;
        // Batteries of mice and keyboards say nothing about the machine's power.
        if (sysfsLine(source / "scope") == "Device") continue;
        anySource = true;
        if (*type == "Battery" && sysfsLine(source / "status") == "Discharging")
            return WorkConditions::Power::battery;
    }
    return anySource ? WorkConditions::Power::mains : WorkConditions::Power::unknown;
}

} // namespace keepsift::app
