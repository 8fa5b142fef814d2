#include <cstdio>
#include <ctime>

#include "photos/extractor/LiveSignalExtractor.hpp"

namespace keepsift {
namespace {

bool isDigits(const std::string& text, size_t from, size_t count) {
    for (size_t i = from; i < from + count; ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    return true;
}

// "yyyy:MM:dd HH:mm:ss" and nothing else.
bool hasExifShape(const std::string& text) {
    return text.size() == 19 && isDigits(text, 0, 4) && text[4] == ':' && isDigits(text, 5, 2) &&
           text[7] == ':' && isDigits(text, 8, 2) && text[10] == ' ' && isDigits(text, 11, 2) &&
           text[13] == ':' && isDigits(text, 14, 2) && text[16] == ':' && isDigits(text, 17, 2);
}

int number(const std::string& text, size_t from, size_t count) {
    return std::stoi(text.substr(from, count));
}

} // namespace

// Read as the machine's local time, as cameras write it.
std::optional<Date> LiveSignalExtractor::captureDate(const std::string& text) {
    if (!hasExifShape(text)) return std::nullopt;
    std::tm fields{};
    fields.tm_year = number(text, 0, 4) - 1900;
    fields.tm_mon = number(text, 5, 2) - 1;
    fields.tm_mday = number(text, 8, 2);
    fields.tm_hour = number(text, 11, 2);
    fields.tm_min = number(text, 14, 2);
    fields.tm_sec = number(text, 17, 2);
    fields.tm_isdst = -1;
    if (fields.tm_mon < 0 || fields.tm_mon > 11 || fields.tm_mday < 1 || fields.tm_mday > 31 ||
        fields.tm_hour > 23 || fields.tm_min > 59 || fields.tm_sec > 59)
        return std::nullopt;
    int requestedDay = fields.tm_mday;
    std::time_t seconds = std::mktime(&fields);
    // mktime rolls 31 April into 1 May; the formatter refuses such dates.
    if (seconds == static_cast<std::time_t>(-1) || fields.tm_mday != requestedDay)
        return std::nullopt;
    return Date::fromUnix(static_cast<double>(seconds));
}

} // namespace keepsift
