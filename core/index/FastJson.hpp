#pragma once

#include <string_view>

#include "core/index/JsonCursor.hpp"
#include "core/support/Json.hpp"

namespace keepsift {

// Parses JSON text into the same value tree as Json::parse, faster: plain strings,
// integers and fractions in the writer's layout are read directly, and only unusual
// tokens ("\u" escapes, non-ASCII text, other number layouts) go through Json::parse.
// Of duplicate keys the first is kept, which is the one Json::find would answer.
Json parseJsonFast(std::string_view text);
// The value that comes next.
Json readJsonValue(JsonCursor& cursor);

} // namespace keepsift
