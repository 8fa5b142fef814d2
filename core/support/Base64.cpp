#include "core/support/Base64.hpp"

#include <array>

namespace keepsift {
namespace {

constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<std::int8_t, 256> makeDecodeTable() {
    std::array<std::int8_t, 256> table{};
    for (auto& entry : table)
        entry = -1;
    for (int i = 0; i < 64; ++i)
        table[static_cast<unsigned char>(alphabet[i])] = static_cast<std::int8_t>(i);
    return table;
}
constexpr auto decodeTable = makeDecodeTable();

} // namespace

std::string base64Encode(const std::uint8_t* bytes, size_t count) {
    std::string out;
    out.reserve((count + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= count; i += 3) {
        const unsigned v = bytes[i] << 16 | bytes[i + 1] << 8 | bytes[i + 2];
        out += alphabet[v >> 18];
        out += alphabet[v >> 12 & 63];
        out += alphabet[v >> 6 & 63];
        out += alphabet[v & 63];
    }
    if (const size_t rest = count - i; rest > 0) {
        const unsigned v = bytes[i] << 16 | (rest == 2 ? bytes[i + 1] << 8 : 0);
        out += alphabet[v >> 18];
        out += alphabet[v >> 12 & 63];
        out += rest == 2 ? alphabet[v >> 6 & 63] : '=';
        out += '=';
    }
    return out;
}

std::optional<std::vector<std::uint8_t>> base64Decode(std::string_view text) {
    if (text.size() % 4 != 0) return std::nullopt;
    size_t padding = 0;
    if (!text.empty() && text.back() == '=') padding = text[text.size() - 2] == '=' ? 2 : 1;
    std::vector<std::uint8_t> out;
    out.reserve(text.size() / 4 * 3);
    for (size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        unsigned v = 0;
        for (size_t k = 0; k < 4; ++k) {
            const bool pad = last && k >= 4 - padding;
            const int d = pad ? 0 : decodeTable[static_cast<unsigned char>(text[i + k])];
            if (d < 0) return std::nullopt;
            v = v << 6 | static_cast<unsigned>(d);
        }
        const size_t produced = last ? 3 - padding : 3;
        for (size_t k = 0; k < produced; ++k)
            out.push_back(static_cast<std::uint8_t>(v >> (16 - 8 * k)));
    }
    return out;
}

} // namespace keepsift
