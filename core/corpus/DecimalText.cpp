#include "core/corpus/DecimalText.hpp"

#include <charconv>
#include <string>

namespace keepsift {

std::optional<std::int64_t> decimalInteger(std::string_view text, bool allowSign) {
    bool negative = false;
    if (allowSign && !text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.front() == '-' || text.front() == '+') return std::nullopt;
    // Reading the digits with their sign keeps the most negative value in range.
    std::string digits = negative ? "-" : "";
    digits.append(text);
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return value;
}

} // namespace keepsift
