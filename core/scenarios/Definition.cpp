#include "core/scenarios/Scenario.hpp"

namespace keepsift {

Settings Scenario::Definition::settings() const {
    Settings settings;
    settings.scanningEnabled = conditions.scanningEnabled;
    settings.isPaused = conditions.isPaused;
    settings.mainsOnly = conditions.mainsOnly;
    settings.language = language;
    return settings;
}

WorkConditions Scenario::Definition::effectiveConditions() const {
    WorkConditions effective = conditions;
    effective.canReadLibrary = canRead(authorization);
    return effective;
}

std::vector<std::string> Scenario::names() {
    std::vector<std::string> names;
    for (const auto& definition : all())
        names.push_back(definition.name);
    return names;
}

std::optional<Scenario::Definition> Scenario::named(std::string_view name) {
    for (const auto& definition : all())
        if (definition.name == name) return definition;
    return std::nullopt;
}

} // namespace keepsift
