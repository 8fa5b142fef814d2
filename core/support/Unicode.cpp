#include "core/support/Unicode.hpp"

#include <cstdint>
#include <memory>
#include <unicode/brkiter.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

namespace keepsift::unicode {
namespace {

icu::UnicodeString fromUtf8(std::string_view text) {
    return icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
}

std::string toUtf8(const icu::UnicodeString& text) {
    std::string out;
    text.toUTF8String(out);
    return out;
}

bool isAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

} // namespace

std::string nfc(std::string_view text) {
    if (isAscii(text)) return std::string(text);
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* normalizer = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status)) return std::string(text);
    const icu::UnicodeString normal = normalizer->normalize(fromUtf8(text), status);
    return U_FAILURE(status) ? std::string(text) : toUtf8(normal);
}

int compare(std::string_view a, std::string_view b) {
    // UTF-8 byte order is code-point order, so the NFC forms compare bytewise.
    if (isAscii(a) && isAscii(b)) return a.compare(b) < 0 ? -1 : a.compare(b) > 0 ? 1 : 0;
    const std::string x = nfc(a), y = nfc(b);
    return x < y ? -1 : x > y ? 1 : 0;
}

std::vector<std::string> characters(std::string_view text) {
    std::vector<std::string> out;
    const icu::UnicodeString string = fromUtf8(text);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> it(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status)) return out;
    it->setText(string);
    int32_t start = it->first();
    for (int32_t end = it->next(); end != icu::BreakIterator::DONE; start = end, end = it->next())
        out.push_back(toUtf8(string.tempSubStringBetween(start, end)));
    return out;
}

size_t characterCount(std::string_view text) {
    if (isAscii(text)) {
        // CR LF is one character.
        size_t count = text.size();
        for (size_t i = 0; i + 1 < text.size(); ++i)
            if (text[i] == '\r' && text[i + 1] == '\n') --count;
        return count;
    }
    return characters(text).size();
}

std::string lowercased(std::string_view text) {
    icu::UnicodeString string = fromUtf8(text);
    string.toLower(icu::Locale::getRoot());
    return toUtf8(string);
}

bool isLetter(char32_t c) {
    return u_isalpha(static_cast<UChar32>(c));
}
bool isNumber(char32_t c) {
    const auto type = u_charType(static_cast<UChar32>(c));
    return type == U_DECIMAL_DIGIT_NUMBER || type == U_LETTER_NUMBER || type == U_OTHER_NUMBER;
}
bool isWhitespace(char32_t c) {
    return u_isUWhiteSpace(static_cast<UChar32>(c));
}
bool isNewline(char32_t c) {
    return c == 0x0A || c == 0x0B || c == 0x0C || c == 0x0D || c == 0x85 || c == 0x2028 ||
           c == 0x2029;
}
bool isControl(char32_t c) {
    return u_charType(static_cast<UChar32>(c)) == U_CONTROL_CHAR;
}

bool isWellFormed(std::string_view bytes) {
    const auto* s = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const auto length = static_cast<int32_t>(bytes.size());
    for (int32_t i = 0; i < length;) {
        if (s[i] < 0x80) {
            ++i;
            continue;
        }
        UChar32 c;
        U8_NEXT(s, i, length, c);
        if (c < 0) return false;
    }
    return true;
}

std::string wellFormed(std::string_view bytes) {
    return isWellFormed(bytes) ? std::string(bytes) : toUtf8(fromUtf8(bytes));
}

std::u32string codePoints(std::string_view text) {
    const icu::UnicodeString string = fromUtf8(text);
    std::u32string out;
    for (int32_t i = 0; i < string.length();) {
        const UChar32 c = string.char32At(i);
        out.push_back(static_cast<char32_t>(c));
        i += U16_LENGTH(c);
    }
    return out;
}

std::string utf8(std::u32string_view points) {
    icu::UnicodeString string;
    for (char32_t c : points)
        string.append(static_cast<UChar32>(c));
    return toUtf8(string);
}

} // namespace keepsift::unicode
