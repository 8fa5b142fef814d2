#include "core/engine/IdListText.hpp"

#include "core/support/Json.hpp"

namespace keepsift {

std::string encodedIdList(std::string_view key, const std::set<std::string>& ids) {
    Json list = Json::array();
    for (const auto& id : ids)
        list.push(Json(id));
    Json object = Json::object();
    object.add(std::string(key), std::move(list));
    return object.dump();
}

std::optional<std::set<std::string>> decodedIdList(std::string_view key, std::string_view text) {
    try {
        std::set<std::string> ids;
        const Json parsed = Json::parse(text);
        for (const Json& id : parsed.at(key).asArray())
            ids.insert(id.asString());
        return ids;
    } catch (const JsonError&) {
        return std::nullopt;
    }
}

} // namespace keepsift
