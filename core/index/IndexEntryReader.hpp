#pragma once

#include <string_view>

#include "core/index/IndexEntry.hpp"

namespace keepsift {

// Reads one index entry of the library-index file straight from its text, without a
// value tree, by the rules of IndexEntry::fromJson with ISO 8601 dates: the same keys
// required, optional or lenient, the same types and texts refused, the first of
// duplicate keys taken. Throws JsonError.
IndexEntry readIndexEntry(std::string_view text);

} // namespace keepsift
