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

// Quotes and a comma; a control character may take six bytes, a quote or backslash two.
std::size_t longestIdText(std::string_view id) {
    std::size_t bytes = 3;
    for (const char c : id)
        bytes += static_cast<unsigned char>(c) < 0x20 ? 6 : c == '"' || c == '\\' ? 2 : 1;
    return bytes;
}

} // namespace keepsift
