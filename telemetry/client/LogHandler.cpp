#include "telemetry/client/LogHandler.hpp"

#include <cstdio>

#include "core/support/Logger.hpp"

namespace keepsift::analytics {

void LogHandler::log(LogLevel level, const std::string& message) const {
    if (static_cast<int>(level) < static_cast<int>(logLevel) || !handler) return;
    handler(level, message);
}

std::string_view LogHandler::description(LogLevel level) {
    switch (level) {
    case LogLevel::debug:
        return "DEBUG";
    case LogLevel::info:
        return "INFO";
    case LogLevel::error:
        return "ERROR";
    }
    return "ERROR";
}

std::optional<LogHandler::LogLevel> LogHandler::levelFromRaw(int raw) {
    if (raw < 0 || raw > 2) return std::nullopt;
    return static_cast<LogLevel>(raw);
}

LogHandler LogHandler::makeDefault(LogLevel level) {
    return LogHandler{level, &LogHandler::unifiedLogOutput};
}

void LogHandler::unifiedLogOutput(LogLevel level, const std::string& message) {
    static const Logger logger("Analytics", "LogHandler");
    switch (level) {
    case LogLevel::debug:
        logger.debug(message);
        break;
    case LogLevel::info:
        logger.info(message);
        break;
    case LogLevel::error:
        logger.error(message);
        break;
    }
}

void LogHandler::printOutput(LogLevel level, const std::string& message) {
    const std::string line =
        "[Analytics: " + std::string(description(level)) + "] " + message + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
}

} // namespace keepsift::analytics
