#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "core/model/LibraryEnums.hpp"
#include "core/scenarios/Scenario.hpp"

namespace keepsift::app {

// What the environment of interface-test mode chooses. Every variable is looked up by its
// exact name; a missing or malformed one gives its default, never an error.
struct ScenarioEnvironment {
    static constexpr std::string_view defaultScenario = "family-burst";

    Scenario::Definition definition;
    LibraryAuthorization authorization = LibraryAuthorization::authorized;
    std::string language;
    bool firstRunPending = false;
    LibraryStorage storage = LibraryStorage::local;
    std::chrono::milliseconds readDelay{0};

    static ScenarioEnvironment read(const std::map<std::string, std::string>& environment);
    // A decimal integer with an optional sign and digits only; nothing on overflow.
    static std::optional<long long> parseInteger(std::string_view text);
};

} // namespace keepsift::app
