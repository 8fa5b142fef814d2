#pragma once

#include <string>

#include "core/scenarios/AppSnapshot.hpp"

namespace keepsift {

// A fixed, sectioned plain text of a snapshot in which every line can be compared with an
// expected text. Widths are counted in characters, so accented and CJK names line up.
struct StateRenderer {
    static constexpr size_t labelWidth = 16;
    static constexpr size_t filenameWidth = 30;
    static constexpr size_t scoreWidth = 8;

    // Always ends with exactly one line feed.
    static std::string render(const AppSnapshot& snapshot);

    // Fills the text to the width in characters; a text already that wide gets one space.
    static std::string padded(std::string_view text, size_t width);
    // Two spaces, the label filled to the label width, then the value.
    static std::string row(std::string_view label, std::string_view value);
};

} // namespace keepsift
