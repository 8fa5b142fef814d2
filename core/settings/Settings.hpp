#pragma once

#include <optional>
#include <string>

#include "core/settings/ReviewNudge.hpp"
#include "core/settings/ScanScope.hpp"
#include "core/support/Json.hpp"

namespace keepsift {

// The user's whole configuration. Every key decodes on its own and falls back to its default.
struct Settings {
    bool scanningEnabled = true;
    bool isPaused = false;
    bool mainsOnly = true;
    ReviewNudge reviewNudge = ReviewNudge::at50;
    std::optional<ScanScope> scanScope;
    bool showsMenuBarIcon = true;
    bool launchAtLogin = false;
    bool automaticUpdates = true;
    bool telemetryEnabled = true;
    std::string language = "en";

    Json toJson() const;
    // Throws JsonError only when the value is not an object.
    static Settings fromJson(const Json& json);

    bool operator==(const Settings&) const = default;
};

} // namespace keepsift
