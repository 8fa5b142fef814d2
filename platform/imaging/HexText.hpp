#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace keepsift {

// Each byte as two lower-case hexadecimal digits, no separator (digests as text).
std::string lowerHex(std::span<const std::uint8_t> bytes);

} // namespace keepsift
