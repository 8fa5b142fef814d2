#pragma once

#include <string>
#include <string_view>

namespace keepsift::analytics {

// Lower-case hex SHA-256 of the text followed by the salt: 64 characters. Ill-formed UTF-8
// is hashed in its decoded form (U+FFFD for each bad sequence), as the platform reads it.
std::string sha256Hex(std::string_view text, std::string_view salt);

// A random version-4 UUID in the canonical upper-case 8-4-4-4-12 form.
std::string randomUUIDText();

} // namespace keepsift::analytics
