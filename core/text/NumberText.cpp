#include <array>
#include <cmath>
#include <cstdio>

#include "core/text/Strings.hpp"

namespace keepsift {
namespace {

constexpr std::array<std::string_view, 4> units{"KB", "MB", "GB", "TB"};

// snprintf never consults the user's locale here: the process stays in the "C" locale, so
// the point is ours to replace.
std::string oneDecimal(double value, std::string_view language) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.1f", std::round(value * 10.0) / 10.0);
    std::string text(buffer);
    if (Strings::isGerman(language))
        for (char& c : text)
            if (c == '.') c = ',';
    return text;
}

} // namespace

std::string Strings::photoCount(std::int64_t count, std::string_view language) {
    const bool german = isGerman(language);
    if (count == 1) return german ? "1 Foto" : "1 photo";
    return std::to_string(count) + (german ? " Fotos" : " photos");
}

std::string Strings::byteSize(std::int64_t bytes, std::string_view language) {
    if (bytes < 1000) return std::to_string(bytes) + " B";
    double value = static_cast<double>(bytes) / 1000.0;
    size_t unit = 0;
    while (value >= 1000.0 && unit + 1 < units.size()) {
        value /= 1000.0;
        ++unit;
    }
    return oneDecimal(value, language) + " " + std::string(units[unit]);
}

} // namespace keepsift
