#include "platform/library/NameText.hpp"

namespace keepsift {
namespace {

constexpr char32_t byteBase = 0xF700;
constexpr char32_t firstByteCharacter = byteBase + 0x80;
constexpr char32_t lastByteCharacter = byteBase + 0xFF;

// The length of the well-formed UTF-8 sequence at the start of `text`, or 0.
size_t sequenceLength(std::string_view text, char32_t& codePoint) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(0);
    if (lead < 0x80) return codePoint = lead, 1;
    size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                    : lead >= 0xE0 && lead <= 0xEF ? 3
                    : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                   : 0;
    if (length == 0 || text.size() < length) return 0;
    codePoint = lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
        codePoint = (codePoint << 6) | (byte(i) & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    static constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    bool wellFormed = codePoint >= smallest[length] && codePoint <= 0x10FFFF &&
                      (codePoint < 0xD800 || codePoint > 0xDFFF);
    return wellFormed ? length : 0;
}

void appendByteCharacter(std::string& text, unsigned char byte) {
    char32_t c = byteBase + byte;
    text += static_cast<char>(0xE0 | (c >> 12));
    text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (c & 0x3F));
}

} // namespace

std::string textOfName(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    while (!bytes.empty()) {
        char32_t c = 0;
        size_t length = sequenceLength(bytes, c);
        bool keep = length != 0 && (c < firstByteCharacter || c > lastByteCharacter);
        if (keep) {
            text.append(bytes.substr(0, length));
        } else {
            size_t count = length == 0 ? 1 : length;
            for (size_t i = 0; i < count; ++i)
                appendByteCharacter(text, static_cast<unsigned char>(bytes[i]));
            length = count;
        }
        bytes.remove_prefix(length);
    }
    return text;
}

std::string byteTextOfName(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size() * 3);
    for (char c : bytes) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80)
            text += c;
        else
            appendByteCharacter(text, byte);
    }
    return text;
}

std::string nameOfText(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    while (!text.empty()) {
        char32_t c = 0;
        size_t length = sequenceLength(text, c);
        if (length == 0) length = 1;
        if (c >= firstByteCharacter && c <= lastByteCharacter && length == 3)
            bytes += static_cast<char>(c - byteBase);
        else
            bytes.append(text.substr(0, length));
        text.remove_prefix(length);
    }
    return bytes;
}

} // namespace keepsift
