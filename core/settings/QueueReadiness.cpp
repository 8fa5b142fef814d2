#include "core/settings/QueueReadiness.hpp"

namespace keepsift {

QueueReadiness queueReadiness(const WorkConditions& c) {
    if (!c.scanningEnabled) return QueueReadiness::scanningOff;
    if (c.isPaused) return QueueReadiness::paused;
    if (!c.canReadLibrary) return QueueReadiness::noLibraryAccess;
    if (c.isLowPowerMode) return QueueReadiness::lowPowerMode;
    if (c.mainsOnly && c.power == WorkConditions::Power::battery)
        return QueueReadiness::waitingForMains;
    if (c.isTooHot) return QueueReadiness::tooHot;
    return QueueReadiness::run;
}

} // namespace keepsift
