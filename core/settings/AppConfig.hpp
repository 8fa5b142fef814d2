#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/support/RawEnum.hpp"

namespace keepsift {

// Values the build puts into the bundle's information keys (Info.json beside the binary).
struct AppConfig {
    enum class Key { telemetryAppID, analyticsBaseURL };

    std::optional<std::string> telemetryAppID;
    // Overrides the analytics client's ingestion base address.
    std::optional<std::string> analyticsBaseURL;

    // Given the text of the information file, or nothing when there is none. Never fails:
    // a malformed file or a value that is not a usable text leaves that value empty.
    static AppConfig fromInfoText(const std::optional<std::string_view>& infoText);

    bool operator==(const AppConfig&) const = default;
};

template <> struct RawValues<AppConfig::Key> {
    static constexpr std::array<std::string_view, 2> names{"AnalyticsAppID", "AnalyticsBaseURL"};
};

} // namespace keepsift
