#pragma once

#include <string_view>

#include <QString>

#include "core/review/ReviewGroup.hpp"

namespace keepsift::app {

// What a photo cell and a comparison tile say about one photograph.
struct PhotoTexts {
    // Who decided, or why; empty when neither is known.
    static QString reason(const ReviewPhoto& photo, std::string_view language);
    // The verdict as the picture's value: "Kept" or "Discard".
    static QString verdict(bool isKeeper, std::string_view language);
    // What a click does: the opposite of the verdict.
    static QString action(bool isKeeper, std::string_view language);
};

} // namespace keepsift::app
