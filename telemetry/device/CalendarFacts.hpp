#pragma once

#include <string>

#include "core/support/Date.hpp"

namespace keepsift::analytics {

// The gregorian calendar's view of one moment in a fixed offset from UTC, with the week
// rules of the locale.
struct CalendarFacts {
    int dayOfMonth = -1;
    int dayOfWeek = -1; // Monday 1 … Sunday 7
    int dayOfYear = -1;
    int weekOfYear = -1;
    int monthOfYear = -1;
    int quarterOfYear = -1;
    int hourOfDay = 0; // hour + 1: 1 … 24

    bool operator==(const CalendarFacts&) const = default;
};

CalendarFacts calendarFacts(Date moment, int offsetSeconds, const std::string& localeIdentifier);

// The C library's offset from UTC of the local time zone at the moment, in seconds.
int localOffsetSeconds(Date moment);

// "UTC+0", "UTC+5:30", "UTC-5".
std::string timeZoneText(int offsetSeconds);

// The full date ("yyyy-MM-dd") of the moment in the given offset.
std::string fullDateText(Date moment, int offsetSeconds);

} // namespace keepsift::analytics
