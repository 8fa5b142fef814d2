#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace keepsift::analytics {

// Where the analytics client reports what it does, filtered by a lowest level.
struct LogHandler {
    enum class LogLevel { debug = 0, info = 1, error = 2 };
    using Output = std::function<void(LogLevel, const std::string&)>;

    LogLevel logLevel = LogLevel::info;
    Output handler;

    // Passes the message on when its level is at least logLevel.
    void log(LogLevel level, const std::string& message) const;

    // "DEBUG", "INFO", "ERROR".
    static std::string_view description(LogLevel level);
    // Only 0, 1 and 2 are levels.
    static std::optional<LogLevel> levelFromRaw(int raw);

    static LogHandler makeDefault(LogLevel level = LogLevel::info);
    // The unified log, subsystem "Analytics", category "LogHandler".
    static void unifiedLogOutput(LogLevel level, const std::string& message);
    // "[Analytics: INFO] message" and a newline on standard output.
    static void printOutput(LogLevel level, const std::string& message);
};

} // namespace keepsift::analytics
