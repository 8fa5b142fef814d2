#include "core/support/Logger.hpp"

#include <cstdio>
#include <mutex>
#include <syslog.h>
#include <unistd.h>

namespace keepsift {
namespace {

std::mutex sinkMutex;
std::function<void(const LogRecord&)> testSink;

int syslogPriority(LogLevel level) {
    switch (level) {
    case LogLevel::debug:
        return LOG_DEBUG;
    case LogLevel::info:
        return LOG_INFO;
    case LogLevel::notice:
        return LOG_NOTICE;
    case LogLevel::error:
        return LOG_ERR;
    case LogLevel::fault:
        return LOG_CRIT;
    }
    return LOG_INFO;
}

} // namespace

void Logger::log(LogLevel level, std::string_view message) const {
    {
        std::lock_guard lock(sinkMutex);
        if (testSink) {
            testSink(LogRecord{subsystem_, category_, level, std::string(message)});
            return;
        }
    }
    const std::string text = "[" + category_ + "] " + std::string(message);
    syslog(syslogPriority(level), "%s: %s", subsystem_.c_str(), text.c_str());
    if (level != LogLevel::debug && isatty(STDERR_FILENO))
        std::fprintf(stderr, "%s %s\n", subsystem_.c_str(), text.c_str());
}

void Logger::setSinkForTesting(std::function<void(const LogRecord&)> sink) {
    std::lock_guard lock(sinkMutex);
    testSink = std::move(sink);
}

} // namespace keepsift
