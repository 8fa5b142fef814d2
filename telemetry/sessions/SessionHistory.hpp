#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "telemetry/sessions/StoredSession.hpp"

namespace keepsift::analytics {

// A stored session stays only while it started strictly within this many seconds (90 days).
inline constexpr double sessionHistoryWindow = 7'776'000.0;
// At most this many sessions are kept (far above 50 a day for 90 days), the newest ones, so
// that a swollen history cannot make every one-second store rewrite megabytes.
inline constexpr std::size_t sessionHistoryLimit = 20'000;
// A start further ahead of now than this cannot be a real session: it would never age out.
inline constexpr double sessionFutureTolerance = 86'400.0;

// The stored history after dropping aged, impossible and surplus sessions, oldest first.
struct TrimmedHistory {
    std::vector<StoredSession> kept;
    std::int64_t aged = 0;
    std::int64_t future = 0;
    std::int64_t overLimit = 0;

    std::int64_t dropped() const { return aged + future + overLimit; }
    // One line that says what was dropped and why.
    std::string summary() const;
};

TrimmedHistory trimHistory(const std::vector<StoredSession>& stored, Date now);

} // namespace keepsift::analytics
