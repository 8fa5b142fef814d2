#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "core/support/Date.hpp"
#include "telemetry/client/Payload.hpp"
#include "telemetry/client/SessionManaging.hpp"
#include "telemetry/device/DisplayFacts.hpp"
#include "telemetry/device/LocaleFacts.hpp"
#include "telemetry/device/MachineFacts.hpp"

namespace keepsift::analytics {

// Where each default parameter comes from on Linux:
//
// | keys                                         | source                                    |
// |----------------------------------------------|-------------------------------------------|
// | platform, Analytics.Device.platform          | "Linux"                                   |
// | operatingSystem, …Device.operatingSystem     | NAME of /etc/os-release (/usr/lib/…)      |
// | systemVersion and its major, major.minor     | NAME + VERSION_ID, else the kernel release |
// | appVersion, buildNumber                      | Info.json CFBundleShortVersionString,     |
// |                                              | CFBundleVersion, else "0"                 |
// | isSimulator, isDebug, isTestFlight           | "false" (no simulator, no receipt)        |
// | isAppStore                                   | "true" (the opposite of isTestFlight)     |
// | modelName                                    | /sys/class/dmi/id product_name + version, |
// |                                              | else uname's machine                      |
// | architecture                                 | the build's processor architecture        |
// | locale, region, appLanguage                  | LC_ALL / LC_MESSAGES / LANG through ICU   |
// | preferredLanguage                            | first of LANGUAGE, else the locale        |
// | Analytics.Device.timeZone                    | the C library's tm_gmtoff                 |
// | Analytics.Calendar.*                         | ICU gregorian calendar, that offset       |
// | screen, scale, colour scheme, layout,        | DisplayFactsProvider (the shell, from Qt) |
// | Analytics.Accessibility.*                    |   "N/A" or no key when it has none        |
// | Analytics.Acquisition/Retention.*            | the session manager                       |
//
// Machine and release facts are read once; everything else is read for every signal.
struct PayloadSources {
    std::filesystem::path root = "/";
    Environment environment = processEnvironment();
    std::shared_ptr<DisplayFactsProvider> display = DisplayFactsProvider::shared();
    std::optional<std::string> appVersion;
    std::optional<std::string> buildNumber;
    // The local offset from UTC at a moment; the C library's by default.
    std::function<int(Date)> offsetSeconds;

    const MachineFacts& machine() const;

private:
    mutable std::once_flag machineRead_;
    mutable MachineFacts machine_;
};

// The default parameters of one signal processed at `now`.
ParameterMap defaultSignalParameters(const PayloadSources& sources,
                                     const SessionStatistics& statistics, Date now);

// Swift's text of a double: "982.0", "2.0", "1.5".
std::string doubleText(double value);

} // namespace keepsift::analytics
