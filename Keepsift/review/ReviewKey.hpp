#pragma once

#include <optional>
#include <string_view>

namespace keepsift::app {

// The review window's keyboard commands.
struct ReviewKey {
    enum class Kind {
        photo,
        previousGroup,
        nextGroup,
        toggleCompare,
        close,
        toggleSelection,
        commit
    };
    Kind kind = Kind::close;
    int photo = 0; // 1-based, for Kind::photo only

    static ReviewKey photoAt(int position) { return {Kind::photo, position}; }
    static ReviewKey of(Kind kind) { return {kind, 0}; }
    bool operator==(const ReviewKey&) const = default;
};

// The keys the window knows by what they are rather than by what they type.
enum class NamedKey { other, returnKey, enter, space, escape, down, up };

// Named keys first; otherwise the first character typed (lower-cased): a digit 1 to 9 picks a
// photo, "s" toggles the selection. `digitValue` is that character's numeric value, -1 when it
// has none. Nothing for any other key.
std::optional<ReviewKey> reviewKeyFor(NamedKey named, char32_t lowered, int digitValue);

} // namespace keepsift::app
