#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/model/Decisions.hpp"
#include "core/model/LibraryEnums.hpp"
#include "core/settings/Settings.hpp"
#include "core/settings/WorkConditions.hpp"

namespace keepsift {

// What the application would show for a scenario's library under its conditions.
struct AppSnapshot {
    std::string scenario;
    std::string summary;
    std::string language; // of the report's own texts
    Settings settings;
    WorkConditions conditions;
    std::vector<GroupDecision> decisions; // in grouping order
    std::int64_t waiting = 0;
    LibraryAuthorization authorization = LibraryAuthorization::notDetermined;
    std::int64_t flaggedBytes = 0;

    std::int64_t keptCount() const;
    std::int64_t flaggedCount() const;
    // Groups with at least one photograph to discard.
    std::int64_t groupsToReview() const;

    bool operator==(const AppSnapshot&) const = default;
};

} // namespace keepsift
