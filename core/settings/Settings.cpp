#include "core/settings/Settings.hpp"

namespace keepsift {
namespace {

// A key that is missing, null or of the wrong type leaves the default in place.
template <class T, class Read>
void readLenient(const Json& json, std::string_view key, T& field, Read read) {
    const Json* value = json.find(key);
    if (value == nullptr || value->isNull()) return;
    try {
        if (auto decoded = read(*value)) field = *decoded;
    } catch (const JsonError&) {
    }
}

std::optional<bool> readBool(const Json& json) {
    return json.asBool();
}
std::optional<std::string> readText(const Json& json) {
    return json.asString();
}
std::optional<ReviewNudge> readNudge(const Json& json) {
    return reviewNudgeFromRawValue(json.asInt64());
}
std::optional<std::optional<ScanScope>> readScope(const Json& json) {
    if (auto scope = fromString<ScanScope>(json.asString())) return std::optional(scope);
    return std::nullopt;
}

} // namespace

Json Settings::toJson() const {
    Json json = Json::object();
    json.set("scanningEnabled", scanningEnabled)
        .set("isPaused", isPaused)
        .set("mainsOnly", mainsOnly)
        .set("reviewNudge", Json::integer(rawValue(reviewNudge)));
    writeOptional(json, "scanScope", scanScope, enumToJson<ScanScope>);
    json.set("showsMenuBarIcon", showsMenuBarIcon)
        .set("launchAtLogin", launchAtLogin)
        .set("automaticUpdates", automaticUpdates)
        .set("telemetryEnabled", telemetryEnabled)
        .set("language", language);
    return json;
}

Settings Settings::fromJson(const Json& json) {
    json.asObject();
    Settings s;
    readLenient(json, "scanningEnabled", s.scanningEnabled, readBool);
    readLenient(json, "isPaused", s.isPaused, readBool);
    readLenient(json, "mainsOnly", s.mainsOnly, readBool);
    readLenient(json, "reviewNudge", s.reviewNudge, readNudge);
    readLenient(json, "scanScope", s.scanScope, readScope);
    readLenient(json, "showsMenuBarIcon", s.showsMenuBarIcon, readBool);
    readLenient(json, "launchAtLogin", s.launchAtLogin, readBool);
    readLenient(json, "automaticUpdates", s.automaticUpdates, readBool);
    readLenient(json, "telemetryEnabled", s.telemetryEnabled, readBool);
    readLenient(json, "language", s.language, readText);
    return s;
}

} // namespace keepsift
