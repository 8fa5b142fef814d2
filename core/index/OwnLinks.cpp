#include "core/index/OwnLinks.hpp"

namespace keepsift {

OwnLinks OwnLinks::seededFrom(const std::map<std::string, IndexEntry>& entries) {
    OwnLinks links;
    for (const auto& [id, entry] : entries)
        if (entry.asset.isRejected && entry.state != ReviewState::pending)
            links.note(id, entry.contentDigest);
    return links;
}

Json OwnLinks::toJson() const {
    Json json = Json::object();
    for (const auto& [id, digest] : made)
        json.add(id, digest ? Json(*digest) : Json(nullptr));
    return json;
}

OwnLinks OwnLinks::fromJson(const Json& json) {
    OwnLinks links;
    for (const auto& member : json.asObject())
        links.note(member.key,
                   member.value.isNull() ? std::nullopt : std::optional(member.value.asString()));
    return links;
}

} // namespace keepsift
