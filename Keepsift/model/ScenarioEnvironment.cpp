#include "Keepsift/model/ScenarioEnvironment.hpp"

#include <charconv>

namespace keepsift::app {
namespace {

const std::string* lookUp(const std::map<std::string, std::string>& environment,
                          const std::string& name) {
    const auto found = environment.find(name);
    return found == environment.end() ? nullptr : &found->second;
}

} // namespace

std::optional<long long> ScenarioEnvironment::parseInteger(std::string_view text) {
    // from_chars takes a minus sign but not a plus sign.
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') return std::nullopt;
    }
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

ScenarioEnvironment
ScenarioEnvironment::read(const std::map<std::string, std::string>& environment) {
    ScenarioEnvironment chosen;
    const std::string* name = lookUp(environment, "KEEPSIFT_SCENARIO");
    const auto named = Scenario::named(name ? *name : std::string(defaultScenario));
    chosen.definition = named ? *named : Scenario::all().front();
    chosen.authorization = chosen.definition.authorization;
    if (const auto* permission = lookUp(environment, "KEEPSIFT_PERMISSION"))
        if (const auto parsed = fromString<LibraryAuthorization>(*permission))
            chosen.authorization = *parsed;
    const std::string* language = lookUp(environment, "KEEPSIFT_LANGUAGE");
    chosen.language = language ? *language : chosen.definition.language;
    const std::string* firstRun = lookUp(environment, "KEEPSIFT_FIRST_RUN");
    chosen.firstRunPending = firstRun && *firstRun == "1";
    if (const auto* storage = lookUp(environment, "KEEPSIFT_STORAGE"))
        chosen.storage = fromString<LibraryStorage>(*storage).value_or(LibraryStorage::local);
    if (const auto* delay = lookUp(environment, "KEEPSIFT_SLOW_LIBRARY"))
        if (const auto milliseconds = parseInteger(*delay); milliseconds && *milliseconds > 0)
            chosen.readDelay = std::chrono::milliseconds(*milliseconds);
    return chosen;
}

} // namespace keepsift::app
