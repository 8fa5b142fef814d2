#include "telemetry/sessions/SuiteValues.hpp"

#include <charconv>

#include "core/support/Json.hpp"

namespace keepsift::analytics::suite {

std::optional<std::int64_t> integer(const UserDefaults& defaults, const std::string& key) {
    const auto data = defaults.dataForKey(key);
    if (!data) return std::nullopt;
    std::int64_t value = 0;
    const char* end = data->data() + data->size();
    const auto [last, error] = std::from_chars(data->data(), end, value);
    if (error != std::errc() || last != end) return std::nullopt;
    return value;
}

void setInteger(UserDefaults& defaults, const std::string& key, std::int64_t value) {
    defaults.setObject(std::to_string(value), key);
}

std::optional<std::string> text(const UserDefaults& defaults, const std::string& key) {
    return defaults.dataForKey(key);
}

void setText(UserDefaults& defaults, const std::string& key, const std::string& value) {
    defaults.setObject(value, key);
}

std::optional<std::vector<std::string>> texts(const UserDefaults& defaults,
                                              const std::string& key) {
    const auto data = defaults.dataForKey(key);
    if (!data) return std::nullopt;
    try {
        const Json list = Json::parse(*data);
        std::vector<std::string> out;
        for (const Json& item : list.asArray())
            out.push_back(item.asString());
        return out;
    } catch (const JsonError&) {
        return std::nullopt;
    }
}

void setTexts(UserDefaults& defaults, const std::string& key,
              const std::vector<std::string>& values) {
    Json array = Json::array();
    for (const std::string& value : values)
        array.push(Json(value));
    defaults.setObject(array.dump(), key);
}

} // namespace keepsift::analytics::suite
