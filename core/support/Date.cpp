#include "core/support/Date.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace keepsift {
namespace {

// Days from 1970-01-01 for a proleptic Gregorian date (Howard Hinnant's algorithm).
constexpr long long daysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

struct Civil {
    long long year;
    unsigned month, day;
};

constexpr Civil civilFromDays(long long z) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long y = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {y + (m <= 2), m, d};
}

class Cursor {
public:
    explicit Cursor(std::string_view text) : text_(text) {}
    bool done() const { return pos_ == text_.size(); }
    char peek() const { return done() ? '\0' : text_[pos_]; }
    bool take(char c) {
        if (peek() != c) return false;
        ++pos_;
        return true;
    }
    std::optional<int> digits(int count) { return digits(count, count); }
    // Between fewest and most digits, as many as stand there.
    std::optional<int> digits(int fewest, int most) {
        int value = 0;
        for (int i = 0; i < most; ++i) {
            if (i >= fewest && (peek() < '0' || peek() > '9')) break;
            const char c = peek();
            if (c < '0' || c > '9') return std::nullopt;
            value = value * 10 + (c - '0');
            ++pos_;
        }
        return value;
    }
    double fraction() {
        double value = 0, scale = 0.1;
        while (peek() >= '0' && peek() <= '9') {
            value += (peek() - '0') * scale;
            scale /= 10;
            ++pos_;
        }
        return value;
    }

private:
    std::string_view text_;
    size_t pos_ = 0;
};

std::optional<int> parseOffsetSeconds(Cursor& in) {
    if (in.take('Z') || in.take('z')) return 0;
    int sign = 0;
    if (in.take('+'))
        sign = 1;
    else if (in.take('-'))
        sign = -1;
    else
        return std::nullopt;
    auto hours = in.digits(2);
    if (!hours || *hours > 23) return std::nullopt;
    int minutes = 0;
    if (!in.done()) {
        in.take(':');
        auto m = in.digits(2);
        if (!m || *m > 59) return std::nullopt;
        minutes = *m;
    }
    return sign * (*hours * 3600 + minutes * 60);
}

} // namespace

Date Date::now() {
    using namespace std::chrono;
    const auto since = system_clock::now().time_since_epoch();
    return fromUnix(duration<double>(since).count());
}

std::string Date::iso8601() const {
    // Far-off dates are clamped to years the reader accepts (six digits either side), so a
    // stray timestamp can never make a whole file unreadable.
    constexpr double limit = 3.0e13;
    const double unix =
        std::isfinite(seconds) ? std::clamp(std::floor(unixSeconds()), -limit, limit) : 0;
    const long long whole = static_cast<long long>(unix);
    long long days = whole / 86400;
    long long rest = whole % 86400;
    if (rest < 0) {
        rest += 86400;
        days -= 1;
    }
    const Civil c = civilFromDays(days);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%s%04lld-%02u-%02uT%02lld:%02lld:%02lldZ",
                  c.year < 0 ? "-" : "", c.year < 0 ? -c.year : c.year, c.month, c.day, rest / 3600,
                  rest / 60 % 60, rest % 60);
    return buffer;
}

std::optional<Date> Date::parseIso8601(std::string_view text) {
    Cursor in(text);
    int sign = 1;
    if (in.take('-'))
        sign = -1;
    else
        in.take('+');
    auto year = in.digits(4, 6);
    if (!year || !in.take('-')) return std::nullopt;
    *year *= sign;
    const auto month = in.digits(2);
    if (!month || !in.take('-')) return std::nullopt;
    const auto day = in.digits(2);
    if (!day || !(in.take('T') || in.take('t'))) return std::nullopt;
    const auto hour = in.digits(2);
    if (!hour || !in.take(':')) return std::nullopt;
    const auto minute = in.digits(2);
    if (!minute || !in.take(':')) return std::nullopt;
    const auto second = in.digits(2);
    if (!second) return std::nullopt;
    double fraction = 0;
    if (in.take('.') || in.take(',')) fraction = in.fraction();
    const auto offset = parseOffsetSeconds(in);
    if (!offset || !in.done()) return std::nullopt;
    if (*month < 1 || *month > 12 || *day < 1 || *day > 31 || *hour > 23 || *minute > 59 ||
        *second > 60)
        return std::nullopt;
    const long long days =
        daysFromCivil(*year, static_cast<unsigned>(*month), static_cast<unsigned>(*day));
    if (civilFromDays(days).day != static_cast<unsigned>(*day)) return std::nullopt;
    const double unix =
        static_cast<double>(days * 86400 + *hour * 3600 + *minute * 60 + *second - *offset) +
        fraction;
    return fromUnix(unix);
}

} // namespace keepsift
