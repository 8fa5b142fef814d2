#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace keepsift {

// A whole decimal number in ASCII digits within the signed 64-bit range, optionally
// signed; nothing for any other text, the empty text included.
std::optional<std::int64_t> decimalInteger(std::string_view text, bool allowSign = true);

} // namespace keepsift
