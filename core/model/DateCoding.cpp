#include "core/model/DateCoding.hpp"

namespace keepsift {

Json dateToJson(Date date, DateForm form) {
    if (form == DateForm::iso8601) return Json(date.iso8601());
    return Json::number(date.seconds);
}

Date dateFromJson(const Json& json, DateForm form) {
    if (form == DateForm::secondsSince2001) return Date{json.asDouble()};
    const std::string& text = json.asString();
    if (auto date = Date::parseIso8601(text)) return *date;
    throw JsonError("expected an ISO 8601 date, found \"" + text + "\"");
}

} // namespace keepsift
