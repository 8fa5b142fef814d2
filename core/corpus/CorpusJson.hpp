#pragma once

#include <string>
#include <string_view>
#include <vector>

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

inline Json texts(const std::vector<std::string>& items) {
    Json json = Json::array();
    for (const auto& item : items)
        json.push(Json(item));
    return json;
}

} // namespace keepsift::corpusjson
