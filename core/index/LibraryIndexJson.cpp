#include "core/index/LibraryIndex.hpp"

#include <algorithm>

namespace keepsift {
std::set<std::string> ignoredGroupsFrom(const Json& value) {
    if (value.type() != Json::Type::array) return {};
    std::set<std::string> groups;
    for (const auto& item : value.asArray()) {
        if (item.type() != Json::Type::string) return {};
        groups.insert(item.asString());
    }
    return groups;
}

std::int64_t listingsFrom(const Json& value) {
    if (value.type() != Json::Type::number) return 0;
    try {
        return std::max<std::int64_t>(0, value.asInt64());
    } catch (const JsonError&) {
        return 0;
    }
}

Json LibraryIndex::toJson(DateForm form) const {
    Json members = Json::object();
    for (const auto& [id, entry] : entries)
        members.add(id, entry.toJson(form));
    Json groups = Json::array();
    for (const auto& group : ignoredGroups)
        groups.push(Json(group));
    Json json = Json::object();
    json.set("version", version)
        .set("entries", std::move(members))
        .set("ignoredGroups", std::move(groups))
        .set("ownLinks", ownLinks.toJson());
    if (listings != 0) json.set("listings", Json::integer(listings));
    return json;
}

LibraryIndex LibraryIndex::fromJson(const Json& json, DateForm form) {
    LibraryIndex index;
    index.version = json.at("version").asString();
    for (const auto& member : json.at("entries").asObject())
        index.entries.insert_or_assign(member.key, IndexEntry::fromJson(member.value, form));
    if (const Json* groups = json.find("ignoredGroups"))
        index.ignoredGroups = ignoredGroupsFrom(*groups);
    const Json* links = json.find("ownLinks");
    index.ownLinks = links ? OwnLinks::fromJson(*links) : OwnLinks::seededFrom(index.entries);
    if (const Json* listings = json.find("listings")) index.listings = listingsFrom(*listings);
    index.catchUpListings();
    return index;
}

} // namespace keepsift
