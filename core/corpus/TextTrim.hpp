#pragma once

#include <string_view>

namespace keepsift {

// Removes the given ASCII characters from both ends.
inline std::string_view trimmed(std::string_view text, std::string_view characters) {
    const size_t first = text.find_first_not_of(characters);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(characters) - first + 1);
}

} // namespace keepsift
