#include "core/settings/AppConfig.hpp"

#include "core/support/Unicode.hpp"

namespace keepsift {
namespace {

bool isBlank(char32_t c) {
    return unicode::isWhitespace(c) || unicode::isNewline(c);
}

std::string trimmed(std::string_view text) {
    const std::u32string points = unicode::codePoints(text);
    size_t begin = 0, end = points.size();
    while (begin < end && isBlank(points[begin]))
        ++begin;
    while (end > begin && isBlank(points[end - 1]))
        --end;
    return unicode::utf8(std::u32string_view(points).substr(begin, end - begin));
}

std::optional<Json> parsedInfo(const std::optional<std::string_view>& infoText) {
    if (!infoText) return std::nullopt;
    try {
        Json info = Json::parse(*infoText);
        if (info.type() == Json::Type::object) return info;
    } catch (const JsonError&) {
    }
    return std::nullopt;
}

std::optional<std::string> textValue(const Json& info, AppConfig::Key key) {
    const Json* value = info.find(toString(key));
    if (value == nullptr || value->type() != Json::Type::string) return std::nullopt;
    std::string text = trimmed(value->asString());
    if (text.empty()) return std::nullopt;
    return text;
}

} // namespace

AppConfig AppConfig::fromInfoText(const std::optional<std::string_view>& infoText) {
    AppConfig config;
    if (auto info = parsedInfo(infoText)) {
        config.telemetryAppID = textValue(*info, Key::telemetryAppID);
        config.analyticsBaseURL = textValue(*info, Key::analyticsBaseURL);
    }
    return config;
}

} // namespace keepsift
