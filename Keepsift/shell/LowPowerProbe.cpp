#include "Keepsift/shell/LowPowerProbe.hpp"

#include "Keepsift/shell/SysfsText.hpp"

namespace keepsift::app {

void LowPowerProbe::setDaemonProfile(std::optional<std::string> profile) {
    std::lock_guard guard(lock_);
    daemonProfile_ = std::move(profile);
}

bool LowPowerProbe::isLowPowerMode() const {
    {
        std::lock_guard guard(lock_);
        if (daemonProfile_) return *daemonProfile_ == "power-saver";
    }
    return sysfsLine(platformProfile_) == "low-power";
}

} // namespace keepsift::app
