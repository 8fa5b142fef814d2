#pragma once

#include <cstdint>
#include <limits>
#include <optional>

namespace keepsift {

// Arithmetic on values read from files: overflow is an answer, not undefined behaviour.
inline std::optional<std::int64_t> checkedMultiply(std::int64_t a, std::int64_t b) {
    std::int64_t out;
    if (__builtin_mul_overflow(a, b, &out)) return std::nullopt;
    return out;
}
inline std::optional<std::int64_t> checkedAdd(std::int64_t a, std::int64_t b) {
    std::int64_t out;
    if (__builtin_add_overflow(a, b, &out)) return std::nullopt;
    return out;
}
inline std::int64_t saturatingMultiply(std::int64_t a, std::int64_t b) {
    if (auto out = checkedMultiply(a, b)) return *out;
    return (a < 0) != (b < 0) ? std::numeric_limits<std::int64_t>::min()
                              : std::numeric_limits<std::int64_t>::max();
}
inline std::int64_t saturatingAdd(std::int64_t a, std::int64_t b) {
    if (auto out = checkedAdd(a, b)) return *out;
    return b < 0 ? std::numeric_limits<std::int64_t>::min()
                 : std::numeric_limits<std::int64_t>::max();
}

} // namespace keepsift
