#pragma once

#include <array>
#include <string_view>

namespace keepsift::analytics {

// Names the client itself uses for record fields and default parameters: a caller's
// signal or parameter of such a name is warned about.
inline constexpr std::array<std::string_view, 25> reservedNames{"type",
                                                                "clientUser",
                                                                "appID",
                                                                "sessionID",
                                                                "floatValue",
                                                                "newSessionBegan",
                                                                "platform",
                                                                "systemVersion",
                                                                "majorSystemVersion",
                                                                "majorMinorSystemVersion",
                                                                "appVersion",
                                                                "buildNumber",
                                                                "isSimulator",
                                                                "isDebug",
                                                                "isTestFlight",
                                                                "isAppStore",
                                                                "modelName",
                                                                "architecture",
                                                                "operatingSystem",
                                                                "targetEnvironment",
                                                                "locale",
                                                                "region",
                                                                "appLanguage",
                                                                "preferredLanguage",
                                                                "telemetryClientVersion"};

} // namespace keepsift::analytics
