#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace keepsift::analytics {

// What the session manager remembers of how the application is used over time, as the
// default parameters read it.
struct SessionStatistics {
    std::optional<std::string> firstSessionDate; // "yyyy-MM-dd"
    std::int64_t averageSessionSeconds = 0;
    std::vector<std::string> distinctDaysUsed; // "yyyy-MM-dd" texts
    std::int64_t totalSessionsCount = 0;
    // The second-to-last session's length, when two or more recent sessions are known.
    std::optional<std::int64_t> previousSessionSeconds;
};

// The session manager the configuration talks to. This base does nothing and knows no
// history; the configuration's default is the real one.
class SessionManaging {
public:
    virtual ~SessionManaging() = default;
    virtual void startNewSession() {}
    virtual SessionStatistics statistics() const { return {}; }
    // The shell's activation notifications.
    virtual void applicationDidBecomeActive() {}
    virtual void applicationWillResignActive() {}
};

} // namespace keepsift::analytics
