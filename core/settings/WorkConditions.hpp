#pragma once

#include "core/support/RawEnum.hpp"

namespace keepsift {

// The machine's condition joined with the three settings that gate work.
struct WorkConditions {
    enum class Power { mains, battery, unknown };

    Power power = Power::unknown;
    bool isLowPowerMode = false;
    bool isTooHot = false;
    bool scanningEnabled = true;
    bool isPaused = false;
    bool mainsOnly = true;
    bool canReadLibrary = true;

    bool operator==(const WorkConditions&) const = default;
};

template <> struct RawValues<WorkConditions::Power> {
    static constexpr std::array<std::string_view, 3> names{"mains", "battery", "unknown"};
};

} // namespace keepsift
