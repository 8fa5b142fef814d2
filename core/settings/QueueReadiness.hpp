#pragma once

#include "core/settings/WorkConditions.hpp"

namespace keepsift {

// Run, or the first reason not to.
enum class QueueReadiness {
    run,
    scanningOff,
    paused,
    noLibraryAccess,
    waitingForMains,
    lowPowerMode,
    tooHot
};
template <> struct RawValues<QueueReadiness> {
    static constexpr std::array<std::string_view, 7> names{
        "run",          "scanningOff", "paused", "noLibraryAccess", "waitingForMains",
        "lowPowerMode", "tooHot"};
};

// Low Power Mode is tested before the mains rule.
QueueReadiness queueReadiness(const WorkConditions& conditions);

} // namespace keepsift
