#pragma once

#include "core/settings/Settings.hpp"
#include "core/settings/WorkConditions.hpp"

namespace keepsift::app {

// Samples the machine's condition (power source, power saving, heat) afresh on every call.
// Called from the main actor and from worker threads, so it must be safe on any thread.
class ConditionsProbe {
public:
    virtual ~ConditionsProbe() = default;
    // The machine's state joined with the settings' three switches and `canReadLibrary`.
    virtual WorkConditions current(const Settings& settings, bool canReadLibrary) = 0;
};

} // namespace keepsift::app
