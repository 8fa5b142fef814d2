#include "telemetry/sessions/StoredSession.hpp"

#include <cmath>

#include "core/support/Json.hpp"

namespace keepsift::analytics {
namespace {

// About 30,000 years either side of 1970: far beyond any real session, well inside int64.
constexpr double largestUnixSeconds = 1e12;

std::int64_t wholeUnixSeconds(Date date) {
    return static_cast<std::int64_t>(std::trunc(date.unixSeconds()));
}

StoredSession decodeSession(const Json& value) {
    const double start = value.at("st").asDouble();
    if (!std::isfinite(start) || std::fabs(start) > largestUnixSeconds)
        throw JsonError("session start out of range");
    return StoredSession{Date::fromUnix(start), value.at("dn").asInt64()};
}

} // namespace

std::string encodeSessions(const std::vector<StoredSession>& sessions) {
    std::string text = "[";
    text.reserve(sessions.size() * 28 + 2);
    for (const StoredSession& session : sessions) {
        if (text.size() > 1) text += ',';
        text += "{\"st\":";
        text += std::to_string(wholeUnixSeconds(session.startedAt));
        text += ",\"dn\":";
        text += std::to_string(session.durationInSeconds);
        text += '}';
    }
    text += ']';
    return text;
}

std::vector<StoredSession> decodeSessions(const std::string& text) {
    const Json document = Json::parse(text);
    std::vector<StoredSession> sessions;
    sessions.reserve(document.asArray().size());
    for (const Json& value : document.asArray())
        sessions.push_back(decodeSession(value));
    return sessions;
}

} // namespace keepsift::analytics
