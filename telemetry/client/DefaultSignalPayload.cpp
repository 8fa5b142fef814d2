#include "telemetry/client/DefaultSignalPayload.hpp"

#include "core/support/Json.hpp"
#include "telemetry/device/CalendarFacts.hpp"

namespace keepsift::analytics {
namespace {

constexpr const char* clientVersion = "2.14.2";
constexpr double thirtyDays = 2'592'000.0;

std::string flag(bool value) {
    return value ? "true" : "false";
}

void put(ParameterMap& map, std::initializer_list<const char*> keys, const std::string& value) {
    for (const char* key : keys)
        map[key] = value;
}

void addBase(ParameterMap& map, const PayloadSources& sources, const LocaleFacts& locale) {
    const MachineFacts& machine = sources.machine();
    const std::string major = std::to_string(machine.majorVersion);
    const std::string majorMinor = major + "." + std::to_string(machine.minorVersion);
    const std::string full = majorMinor + "." + std::to_string(machine.patchVersion);
    const std::string& os = machine.systemName;
    put(map, {"platform", "Analytics.Device.platform"}, "Linux");
    put(map, {"operatingSystem", "Analytics.Device.operatingSystem"}, os);
    put(map, {"systemVersion", "Analytics.Device.systemVersion"}, os + " " + full);
    put(map, {"majorSystemVersion", "Analytics.Device.systemMajorVersion"}, os + " " + major);
    put(map, {"majorMinorSystemVersion", "Analytics.Device.systemMajorMinorVersion"},
        os + " " + majorMinor);
    const std::string version = sources.appVersion.value_or("0");
    const std::string build = sources.buildNumber.value_or("0");
    put(map, {"appVersion", "Analytics.AppInfo.version"}, version);
    put(map, {"buildNumber", "Analytics.AppInfo.buildNumber"}, build);
    put(map, {"Analytics.AppInfo.versionAndBuildNumber"}, version + " (build " + build + ")");
    put(map,
        {"isSimulator", "isDebug", "Analytics.RunContext.isSimulator",
         "Analytics.RunContext.isDebug"},
        "false");
    // No store receipt exists on Linux: never TestFlight, so "App Store" by the rule.
    put(map, {"isTestFlight", "Analytics.RunContext.isTestFlight"}, "false");
    put(map, {"isAppStore", "Analytics.RunContext.isAppStore"}, "true");
    put(map, {"modelName", "Analytics.Device.modelName"}, machine.modelName);
    put(map, {"architecture", "Analytics.Device.architecture"}, buildArchitecture());
    put(map, {"targetEnvironment", "Analytics.RunContext.targetEnvironment"}, "native");
    put(map, {"locale", "Analytics.RunContext.locale"}, locale.identifier);
    put(map, {"region", "Analytics.UserPreference.region"}, locale.region);
    put(map, {"appLanguage", "Analytics.RunContext.language"}, locale.language);
    put(map, {"preferredLanguage", "Analytics.UserPreference.language"}, locale.preferredLanguage);
    put(map, {"telemetryClientVersion", "Analytics.SDK.version"}, clientVersion);
    put(map, {"Analytics.SDK.name"}, "SwiftSDK");
    put(map, {"Analytics.SDK.nameAndVersion"}, std::string("SwiftSDK ") + clientVersion);
    put(map, {"Analytics.Device.orientation"}, "Fixed");
}

void addDisplay(ParameterMap& map, const DisplayFacts& display) {
    const auto& screen = display.mainScreen;
    put(map, {"Analytics.Device.screenResolutionHeight"},
        screen ? doubleText(screen->height) : "N/A");
    put(map, {"Analytics.Device.screenResolutionWidth"},
        screen ? doubleText(screen->width) : "N/A");
    put(map, {"Analytics.Device.screenScaleFactor"}, screen ? doubleText(screen->scale) : "N/A");
    std::string scheme = "N/A";
    if (display.colorScheme)
        scheme = *display.colorScheme == DisplayFacts::ColorScheme::dark ? "Dark" : "Light";
    put(map, {"Analytics.UserPreference.colorScheme"}, scheme);
    std::string direction = "N/A";
    if (display.layoutDirection)
        direction = *display.layoutDirection == DisplayFacts::LayoutDirection::rightToLeft
                        ? "rightToLeft"
                        : "leftToRight";
    put(map, {"Analytics.UserPreference.layoutDirection"}, direction);
    // The accessibility layer: no keys at all when the shell knows nothing. High contrast is
    // the nearest Linux counterpart of inverted colours; larger text has no key.
    if (display.accessibility) {
        put(map, {"Analytics.Accessibility.isReduceMotionEnabled"},
            flag(display.accessibility->reduceMotion));
        put(map, {"Analytics.Accessibility.isInvertColorsEnabled"},
            flag(display.accessibility->highContrast));
    }
}

void addCalendar(ParameterMap& map, Date now, int offset, const LocaleFacts& locale) {
    const CalendarFacts calendar = calendarFacts(now, offset, locale.identifier);
    const auto number = [](int value) { return std::to_string(value); };
    put(map, {"Analytics.Calendar.dayOfMonth"}, number(calendar.dayOfMonth));
    put(map, {"Analytics.Calendar.dayOfWeek"}, number(calendar.dayOfWeek));
    put(map, {"Analytics.Calendar.dayOfYear"}, number(calendar.dayOfYear));
    put(map, {"Analytics.Calendar.weekOfYear"}, number(calendar.weekOfYear));
    put(map, {"Analytics.Calendar.isWeekend"}, flag(calendar.dayOfWeek > 5));
    put(map, {"Analytics.Calendar.monthOfYear"}, number(calendar.monthOfYear));
    put(map, {"Analytics.Calendar.quarterOfYear"}, number(calendar.quarterOfYear));
    put(map, {"Analytics.Calendar.hourOfDay"}, number(calendar.hourOfDay));
}

void addHistory(ParameterMap& map, const SessionStatistics& statistics, Date now, int offset) {
    put(map, {"Analytics.Acquisition.firstSessionDate"},
        statistics.firstSessionDate.value_or(fullDateText(now, offset)));
    put(map, {"Analytics.Retention.averageSessionSeconds"},
        std::to_string(statistics.averageSessionSeconds));
    put(map, {"Analytics.Retention.distinctDaysUsed"},
        std::to_string(statistics.distinctDaysUsed.size()));
    const std::string monthAgo = fullDateText(now.adding(-thirtyDays), offset);
    std::size_t lastMonth = 0;
    for (const std::string& day : statistics.distinctDaysUsed)
        if (day >= monthAgo) ++lastMonth;
    put(map, {"Analytics.Retention.distinctDaysUsedLastMonth"}, std::to_string(lastMonth));
    put(map, {"Analytics.Retention.totalSessionsCount"},
        std::to_string(statistics.totalSessionsCount));
    if (statistics.previousSessionSeconds)
        put(map, {"Analytics.Retention.previousSessionSeconds"},
            std::to_string(*statistics.previousSessionSeconds));
}

} // namespace

const MachineFacts& PayloadSources::machine() const {
    std::call_once(machineRead_, [this] { machine_ = readMachineFacts(root); });
    return machine_;
}

std::string doubleText(double value) {
    std::string text = jsonNumberText(value);
    if (text.find_first_of(".e") == std::string::npos) text += ".0";
    return text;
}

ParameterMap defaultSignalParameters(const PayloadSources& sources,
                                     const SessionStatistics& statistics, Date now) {
    const LocaleFacts locale = readLocaleFacts(sources.environment);
    const int offset = sources.offsetSeconds ? sources.offsetSeconds(now) : localOffsetSeconds(now);
    ParameterMap map;
    addBase(map, sources, locale);
    addDisplay(map, sources.display ? sources.display->current() : DisplayFacts{});
    put(map, {"Analytics.Device.timeZone"}, timeZoneText(offset));
    addCalendar(map, now, offset, locale);
    addHistory(map, statistics, now, offset);
    return map;
}

} // namespace keepsift::analytics
