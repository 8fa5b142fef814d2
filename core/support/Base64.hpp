#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keepsift {

// Standard alphabet with "=" padding and no line breaks.
std::string base64Encode(const std::uint8_t* bytes, size_t count);
inline std::string base64Encode(const std::vector<std::uint8_t>& bytes) {
    return base64Encode(bytes.data(), bytes.size());
}
// Absent when the text is not valid padded base64.
std::optional<std::vector<std::uint8_t>> base64Decode(std::string_view text);

} // namespace keepsift
