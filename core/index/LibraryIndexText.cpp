#include "core/index/LibraryIndex.hpp"

namespace keepsift {

// Writes entry by entry, so that no value tree of the whole index is ever built.
std::string LibraryIndex::encoded() const {
    std::string out = "{\"version\":";
    appendJsonString(out, version);
    out += ",\"entries\":{";
    bool first = true;
    for (const auto& [id, entry] : entries) {
        if (!first) out += ',';
        first = false;
        appendJsonString(out, id);
        out += ':';
        out += entry.toJson(DateForm::iso8601).dump();
    }
    out += "},\"ignoredGroups\":[";
    first = true;
    for (const auto& group : ignoredGroups) {
        if (!first) out += ',';
        first = false;
        appendJsonString(out, group);
    }
    out += "]}";
    return out;
}

LibraryIndex LibraryIndex::decode(std::string_view text) {
    return fromJson(Json::parse(text), DateForm::iso8601);
}

} // namespace keepsift
