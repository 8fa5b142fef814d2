#pragma once

#include <compare>
#include <optional>
#include <string>
#include <string_view>

namespace keepsift {

// A point in time as seconds since 2001-01-01T00:00:00Z. Every comparison works on the
// double itself, so 1800 and 1800.5 second gaps stay apart.
struct Date {
    double seconds = 0.0;

    static constexpr double unixOffset = 978307200.0;
    static constexpr double distantPastSeconds = -63114076800.0;

    static Date now();
    static Date fromUnix(double unixSeconds) { return Date{unixSeconds - unixOffset}; }
    static Date distantPast() { return Date{distantPastSeconds}; }

    double unixSeconds() const { return seconds + unixOffset; }
    Date adding(double interval) const { return Date{seconds + interval}; }
    double since(Date earlier) const { return seconds - earlier.seconds; }

    // YYYY-MM-DDTHH:MM:SSZ in UTC, seconds floored toward minus infinity.
    std::string iso8601() const;
    // Accepts Z, +hh:mm, +hhmm, +hh offsets and fractional seconds.
    static std::optional<Date> parseIso8601(std::string_view text);

    friend bool operator==(const Date&, const Date&) = default;
    friend auto operator<=>(const Date&, const Date&) = default;
};

} // namespace keepsift
