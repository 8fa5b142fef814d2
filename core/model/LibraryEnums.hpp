#pragma once

#include "core/support/RawEnum.hpp"

namespace keepsift {

enum class LibraryAuthorization { notDetermined, authorized, limited, denied, restricted };
template <> struct RawValues<LibraryAuthorization> {
    static constexpr std::array<std::string_view, 5> names{"notDetermined", "authorized", "limited",
                                                           "denied", "restricted"};
};
inline bool canRead(LibraryAuthorization a) {
    return a == LibraryAuthorization::authorized || a == LibraryAuthorization::limited;
}
inline bool isDenied(LibraryAuthorization a) {
    return a == LibraryAuthorization::denied;
}

// Where the library keeps its originals.
enum class LibraryStorage { local, optimised, unknown };
template <> struct RawValues<LibraryStorage> {
    static constexpr std::array<std::string_view, 3> names{"local", "optimised", "unknown"};
};

// Why a photograph takes no part in grouping.
enum class SkipReason { unreadable, utility };
template <> struct RawValues<SkipReason> {
    static constexpr std::array<std::string_view, 2> names{"unreadable", "utility"};
};

} // namespace keepsift
