#include "Keepsift/shell/SystemConditionsProbe.hpp"

#include "Keepsift/shell/PowerSourceProbe.hpp"
#include "Keepsift/shell/ThermalProbe.hpp"

namespace keepsift::app {

WorkConditions SystemConditionsProbe::current(const Settings& settings, bool canReadLibrary) {
    WorkConditions conditions;
    conditions.power = powerSource(roots_.powerSupply);
    conditions.isLowPowerMode = lowPower_->isLowPowerMode();
    conditions.isTooHot = isTooHot(roots_.thermal);
    conditions.scanningEnabled = settings.scanningEnabled;
    conditions.isPaused = settings.isPaused;
    conditions.mainsOnly = settings.mainsOnly;
    conditions.canReadLibrary = canReadLibrary;
    return conditions;
}

} // namespace keepsift::app
