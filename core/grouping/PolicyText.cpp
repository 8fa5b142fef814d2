#include "core/grouping/PolicyText.hpp"

#include <clocale>
#include <cstdio>

namespace keepsift {
namespace {

// snprintf follows LC_NUMERIC; the process never leaves the "C" locale, but a host
// application might, so the decimal point is put back explicitly.
std::string formatted(double value) {
    char buffer[64];
    const int length = std::snprintf(buffer, sizeof buffer, "%g", value);
    std::string text(buffer, length > 0 ? static_cast<size_t>(length) : 0);
    const char* point = std::localeconv()->decimal_point;
    if (point && point[0] != '.' && point[0] != '\0')
        for (auto& c : text)
            if (c == point[0]) c = '.';
    return text;
}

} // namespace

std::string joinedPolicyValues(std::string_view prefix, std::initializer_list<double> values) {
    std::string text(prefix);
    bool first = true;
    for (double value : values) {
        if (!first) text += ',';
        text += formatted(value);
        first = false;
    }
    return text;
}

} // namespace keepsift
