#pragma once

#include "core/support/Date.hpp"
#include "core/support/Json.hpp"

namespace keepsift {

// The engine's files write ISO 8601 text; the record store writes seconds since 2001.
enum class DateForm { iso8601, secondsSince2001 };

Json dateToJson(Date date, DateForm form);
Date dateFromJson(const Json& json, DateForm form);

} // namespace keepsift
