#include "core/engine/TrashIntent.hpp"

#include "core/support/Json.hpp"

namespace keepsift {

std::string TrashIntent::encoded() const {
    Json list = Json::array();
    for (const auto& id : ids)
        list.push(Json(id));
    Json object = Json::object();
    object.add("ids", std::move(list));
    return object.dump();
}

std::optional<TrashIntent> TrashIntent::decode(std::string_view text) {
    try {
        TrashIntent intent;
        intent.inFlight = false;
        const Json parsed = Json::parse(text);
        for (const Json& id : parsed.at("ids").asArray())
            intent.ids.insert(id.asString());
        return intent;
    } catch (const JsonError&) {
        return std::nullopt;
    }
}

} // namespace keepsift
