#include "telemetry/device/CalendarFacts.hpp"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <mutex>
#include <unicode/gregocal.h>
#include <unicode/simpletz.h>

namespace keepsift::analytics {
namespace {

// Making a calendar costs far more than setting its time; one is kept for the locale last
// asked for.
struct CachedCalendar {
    std::mutex lock;
    std::string locale;
    std::unique_ptr<icu::GregorianCalendar> calendar;
};

int field(const icu::Calendar& calendar, UCalendarDateFields which) {
    UErrorCode status = U_ZERO_ERROR;
    const int value = calendar.get(which, status);
    return U_FAILURE(status) ? -1 : value;
}

} // namespace

CalendarFacts calendarFacts(Date moment, int offsetSeconds, const std::string& localeIdentifier) {
    static CachedCalendar cache;
    std::lock_guard guard(cache.lock);
    if (!cache.calendar || cache.locale != localeIdentifier) {
        UErrorCode status = U_ZERO_ERROR;
        auto calendar = std::make_unique<icu::GregorianCalendar>(
            icu::Locale::createCanonical(localeIdentifier.c_str()), status);
        if (U_FAILURE(status)) return {};
        cache.calendar = std::move(calendar);
        cache.locale = localeIdentifier;
    }
    icu::GregorianCalendar& calendar = *cache.calendar;
    calendar.adoptTimeZone(new icu::SimpleTimeZone(offsetSeconds * 1000, "local"));
    UErrorCode status = U_ZERO_ERROR;
    calendar.setTime(moment.unixSeconds() * 1000.0, status);
    if (U_FAILURE(status)) return {};
    CalendarFacts facts;
    facts.dayOfMonth = field(calendar, UCAL_DAY_OF_MONTH);
    const int weekday = field(calendar, UCAL_DAY_OF_WEEK); // Sunday 1 … Saturday 7
    facts.dayOfWeek = weekday < 1 ? -1 : (weekday == 1 ? 7 : weekday - 1);
    facts.dayOfYear = field(calendar, UCAL_DAY_OF_YEAR);
    facts.weekOfYear = field(calendar, UCAL_WEEK_OF_YEAR);
    const int month = field(calendar, UCAL_MONTH);
    facts.monthOfYear = month < 0 ? -1 : month + 1;
    facts.quarterOfYear = month < 0 ? -1 : month / 3 + 1;
    const int hour = field(calendar, UCAL_HOUR_OF_DAY);
    facts.hourOfDay = hour < 0 ? 0 : hour + 1;
    return facts;
}

int localOffsetSeconds(Date moment) {
    const std::time_t time = static_cast<std::time_t>(std::floor(moment.unixSeconds()));
    std::tm local{};
    if (localtime_r(&time, &local) == nullptr) return 0;
    return static_cast<int>(local.tm_gmtoff);
}

std::string timeZoneText(int offsetSeconds) {
    const long magnitude = std::labs(static_cast<long>(offsetSeconds));
    std::string text = offsetSeconds >= 0 ? "UTC+" : "UTC-";
    text += std::to_string(magnitude / 3600);
    const long minutes = magnitude % 3600 / 60;
    if (minutes != 0) {
        char buffer[8];
        std::snprintf(buffer, sizeof buffer, ":%02ld", minutes);
        text += buffer;
    }
    return text;
}

std::string fullDateText(Date moment, int offsetSeconds) {
    return Date{moment.seconds + offsetSeconds}.iso8601().substr(0, 10);
}

} // namespace keepsift::analytics
