#pragma once

#include <string>
#include <string_view>

#include "core/model/DateCoding.hpp"
#include "core/support/Json.hpp"

namespace keepsift::corpusjson {

// Every corpus file is written the same way, so files diff cleanly between captures.
inline constexpr DateForm dateForm = DateForm::iso8601;

inline std::string write(const Json& json) {
    return json.dumpSortedPretty();
}
inline Json read(std::string_view bytes) {
    return Json::parse(bytes);
}

} // namespace keepsift::corpusjson
