#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace keepsift {

enum class LogLevel { debug, info, notice, error, fault };

struct LogRecord {
    std::string subsystem;
    std::string category;
    LogLevel level;
    std::string message;
};

// The unified log: syslog (journald picks it up), stderr when it is a terminal.
class Logger {
public:
    Logger(std::string subsystem, std::string category)
        : subsystem_(std::move(subsystem)), category_(std::move(category)) {}

    void debug(std::string_view message) const { log(LogLevel::debug, message); }
    void info(std::string_view message) const { log(LogLevel::info, message); }
    void notice(std::string_view message) const { log(LogLevel::notice, message); }
    void error(std::string_view message) const { log(LogLevel::error, message); }
    void fault(std::string_view message) const { log(LogLevel::fault, message); }
    void log(LogLevel level, std::string_view message) const;

    // Tests route every record to a sink of their own; an empty function restores the log.
    static void setSinkForTesting(std::function<void(const LogRecord&)> sink);

private:
    std::string subsystem_;
    std::string category_;
};

} // namespace keepsift
