#pragma once

// Starts of files in each container format that a photograph may come in, with nothing
// behind them: made long with a hole, they look like huge photographs and hold none.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace keepsift::testing {

inline void appendLittle(std::vector<std::uint8_t>& bytes, std::uint64_t value, int count) {
    for (int i = 0; i < count; ++i)
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

inline void appendText(std::vector<std::uint8_t>& bytes, const std::string& text) {
    for (char c : text)
        bytes.push_back(static_cast<std::uint8_t>(c));
}

// A RIFF header for a file of `size` bytes and an extended WebP header for a 4000 x 3000 canvas.
inline std::vector<std::uint8_t> webpHead(std::int64_t size) {
    std::vector<std::uint8_t> bytes;
    appendText(bytes, "RIFF");
    appendLittle(bytes, static_cast<std::uint64_t>(size - 8), 4);
    appendText(bytes, "WEBPVP8X");
    appendLittle(bytes, 10, 4);
    appendLittle(bytes, 0, 4);
    appendLittle(bytes, 3999, 3);
    appendLittle(bytes, 2999, 3);
    return bytes;
}

// A little-endian TIFF header; for `canon`, the start of a Canon CR2 ("CR", version 2).
inline std::vector<std::uint8_t> tiffHead(bool canon) {
    std::vector<std::uint8_t> bytes;
    appendText(bytes, "II");
    appendLittle(bytes, 42, 2);
    appendLittle(bytes, canon ? 16 : 8, 4);
    if (!canon) return bytes;
    appendText(bytes, "CR");
    appendLittle(bytes, 2, 6);
    return bytes;
}

// The same with a first directory that declares a picture of 5184 x 3456.
inline std::vector<std::uint8_t> tiffHeadWithSize(bool canon) {
    std::vector<std::uint8_t> bytes = tiffHead(canon);
    appendLittle(bytes, 2, 2);
    for (const auto& [tag, value] : {std::pair{256, 5184}, std::pair{257, 3456}}) {
        appendLittle(bytes, static_cast<std::uint64_t>(tag), 2);
        appendLittle(bytes, 4, 2); // LONG
        appendLittle(bytes, 1, 4);
        appendLittle(bytes, static_cast<std::uint64_t>(value), 4);
    }
    appendLittle(bytes, 0, 4);
    return bytes;
}

// An ISO media file type box naming HEIC.
inline std::vector<std::uint8_t> heicHead() {
    std::vector<std::uint8_t> bytes;
    appendLittle(bytes, 0x1800'0000, 4); // 24, big-endian
    appendText(bytes, "ftypheic");
    appendLittle(bytes, 0, 4);
    appendText(bytes, "mif1heic");
    return bytes;
}

} // namespace keepsift::testing
