#include "core/index/LibraryIndex.hpp"

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
    return index;
}

} // namespace keepsift
