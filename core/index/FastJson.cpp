#include "core/index/FastJson.hpp"

#include <charconv>
#include <cmath>
#include <unordered_set>

#include "core/index/JsonCursor.hpp"

namespace keepsift {
namespace {

// Objects up to this size look keys up in themselves; larger ones in a hash set, so that
// reading an object stays linear in its size.
constexpr std::size_t linearKeyLimit = 16;

template <class T> bool parsesWhole(std::string_view token, T& value) {
    const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
    return error == std::errc() && end == token.data() + token.size();
}

// Numbers keep the text the reference parser would give them: integers that fit are
// rewritten by Json::integer, fractions already in the writer's layout by Json::number.
Json number(std::string_view token) {
    if (isIntegerToken(token)) {
        if (std::int64_t value; parsesWhole(token, value)) return Json::integer(value);
    } else if (double value; parsesWhole(token, value) && std::isfinite(value) &&
                             jsonNumberText(value) == token) {
        return Json::number(value);
    }
    return Json::parse(token);
}

class TreeBuilder {
public:
    explicit TreeBuilder(JsonCursor& cursor) : cursor_(cursor) {}

    // depth: how many containers enclose the value.
    Json parseValue(int depth) {
        switch (cursor_.peek()) {
        case '{':
            return parseObject(depth);
        case '[':
            return parseArray(depth);
        case '"':
            return Json(cursor_.string());
        case 't':
        case 'f':
            return Json(cursor_.boolean());
        case 'n':
            return cursor_.null(), Json();
        default:
            return number(cursor_.numberToken());
        }
    }

    Json parseObject(int depth) {
        checkDepth(depth);
        Json object = Json::object();
        std::unordered_set<std::string> keys;
        cursor_.forEachMember([&](const std::string& key) {
            Json value = parseValue(depth + 1);
            if (isNewKey(object, keys, key)) object.add(key, std::move(value));
        });
        return object;
    }

    Json parseArray(int depth) {
        checkDepth(depth);
        Json array = Json::array();
        cursor_.forEachItem([&] { array.push(parseValue(depth + 1)); });
        return array;
    }

private:
    void checkDepth(int depth) {
        if (depth >= Json::maximumDepth) cursor_.fail("nesting too deep");
    }

    static bool isNewKey(const Json& object, std::unordered_set<std::string>& keys,
                         const std::string& key) {
        const auto& members = object.asObject();
        if (members.size() < linearKeyLimit) return object.find(key) == nullptr;
        if (keys.empty())
            for (const auto& member : members)
                keys.insert(member.key);
        return keys.insert(key).second;
    }

    JsonCursor& cursor_;
};

} // namespace

Json parseJsonFast(std::string_view text) {
    return readWhole(withoutByteOrderMark(text), readJsonValue);
}

Json readJsonValue(JsonCursor& cursor) {
    return TreeBuilder(cursor).parseValue(0);
}

} // namespace keepsift
