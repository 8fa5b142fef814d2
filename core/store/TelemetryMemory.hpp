#pragma once

#include <optional>

#include "core/model/DateCoding.hpp"
#include "core/model/LibraryEnums.hpp"

namespace keepsift {

// What the telemetry reporter remembers between launches.
struct TelemetryMemory {
    std::optional<Date> lastHeartbeat;
    bool hasReportedFirstScan = false;
    std::optional<LibraryAuthorization> lastPermission;

    Json toJson(DateForm form) const;
    static TelemetryMemory fromJson(const Json& json, DateForm form);

    bool operator==(const TelemetryMemory&) const = default;
};

} // namespace keepsift
