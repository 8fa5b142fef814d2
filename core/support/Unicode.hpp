#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace keepsift::unicode {

std::string nfc(std::string_view utf8);
// Orders texts by the code points of their NFC forms; negative, zero or positive.
int compare(std::string_view a, std::string_view b);
inline bool less(std::string_view a, std::string_view b) {
    return compare(a, b) < 0;
}
inline bool equal(std::string_view a, std::string_view b) {
    return compare(a, b) == 0;
}

// User-perceived characters (extended grapheme clusters).
std::vector<std::string> characters(std::string_view utf8);
size_t characterCount(std::string_view utf8);

std::string lowercased(std::string_view utf8);
bool isLetter(char32_t c);
bool isNumber(char32_t c);
bool isWhitespace(char32_t c);
bool isNewline(char32_t c);
bool isControl(char32_t c);
std::u32string codePoints(std::string_view utf8);
// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or stray bytes).
bool isWellFormed(std::string_view bytes);
// Each ill-formed sequence replaced by U+FFFD, as the platform decodes text from bytes.
std::string wellFormed(std::string_view bytes);
std::string utf8(std::u32string_view codePoints);

} // namespace keepsift::unicode
