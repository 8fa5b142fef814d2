#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "core/support/Json.hpp"

namespace keepsift {

// An enumeration with text raw values specialises RawValues<E> with `names`, the raw
// texts in case order (which is also the order of all its cases).
template <class E> struct RawValues;

template <class E> constexpr size_t caseCount() {
    return RawValues<E>::names.size();
}

template <class E> std::string_view toString(E value) {
    return RawValues<E>::names[static_cast<size_t>(value)];
}

// The case whose raw text equals the text exactly.
template <class E> std::optional<E> fromString(std::string_view text) {
    const auto& names = RawValues<E>::names;
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == text) return static_cast<E>(i);
    return std::nullopt;
}

template <class E> std::array<E, caseCount<E>()> allCases() {
    std::array<E, caseCount<E>()> cases{};
    for (size_t i = 0; i < cases.size(); ++i)
        cases[i] = static_cast<E>(i);
    return cases;
}

template <class E> Json enumToJson(E value) {
    return Json(toString(value));
}

template <class E> E enumFromJson(const Json& json) {
    const std::string& text = json.asString();
    if (auto value = fromString<E>(text)) return *value;
    throw JsonError("unknown value \"" + text + "\"");
}

} // namespace keepsift
