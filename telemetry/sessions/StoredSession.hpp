#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/support/Date.hpp"

namespace keepsift::analytics {

// One session of the history: when it started and how long it was in the foreground.
struct StoredSession {
    Date startedAt;
    std::int64_t durationInSeconds = 0;

    bool operator==(const StoredSession&) const = default;
};

// A JSON array of {"st": whole seconds since 1970, "dn": seconds}, in list order.
std::string encodeSessions(const std::vector<StoredSession>& sessions);
// Throws JsonError on anything but such an array; "st" may carry a fraction but must be a
// moment a stored integer can hold.
std::vector<StoredSession> decodeSessions(const std::string& text);

} // namespace keepsift::analytics
