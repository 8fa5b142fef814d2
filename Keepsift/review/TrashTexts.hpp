#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace keepsift::app {

// The delete confirmation's texts as they are true on Linux: deleting moves the photographs
// to the desktop's Trash, and the library asks once more before it does. Same counts and
// plural rules as the other platform's texts; German exactly for "de".
struct TrashTexts {
    // The confirmation's message: one photograph, or several.
    static std::string confirmationMessage(std::int64_t count, std::string_view language);
    // The outcome line after photographs were moved.
    static std::string movedToTrash(std::int64_t count, std::string_view language);
    // The footer's line once a confirmed delete finished: the model's notice of it (what moved
    // and why the rest stayed, or why nothing moved), else what moved.
    static std::string deleteOutcome(std::int64_t deleted, const std::optional<std::string>& notice,
                                     std::string_view language);
};

} // namespace keepsift::app
