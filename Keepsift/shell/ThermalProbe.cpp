#include "Keepsift/shell/ThermalProbe.hpp"

#include "Keepsift/shell/SysfsText.hpp"

namespace keepsift::app {
namespace {

bool zoneIsTooHot(const std::filesystem::path& zone) {
    const auto temperature = sysfsNumber(zone / "temp");
    if (!temperature) return false;
    for (const auto& trip : sysfsEntries(zone, "trip_point_")) {
        const std::string name = trip.filename().string();
        if (!name.ends_with("_type") || sysfsLine(trip) != "passive") continue;
        const auto limit = sysfsNumber(
            zone / (name.substr(0, name.size() - std::string_view("_type").size()) + "_temp"));
        // A trip point at or below zero is switched off.
        if (limit && *limit > 0 && *temperature > *limit) return true;
    }
    return false;
}

} // namespace

bool isTooHot(const std::filesystem::path& thermalRoot) {
    for (const auto& zone : sysfsEntries(thermalRoot, "thermal_zone"))
        if (zoneIsTooHot(zone)) return true;
    return false;
}

} // namespace keepsift::app
