#pragma once

#include <cstdlib>
#include <gtest/gtest.h>
#include <mutex>

#include "ManualScheduler.hpp"
#include "platform/files/tests/TemporaryFolder.hpp"
#include "telemetry/client/TelemetryManagerConfiguration.hpp"

namespace keepsift::analytics::testing {

// Collects the client's log lines.
struct LogLines {
    std::mutex lock;
    std::vector<std::pair<LogHandler::LogLevel, std::string>> lines;

    LogHandler handler(LogHandler::LogLevel level = LogHandler::LogLevel::debug) {
        return LogHandler{level, [this](LogHandler::LogLevel l, const std::string& m) {
                              std::lock_guard guard(lock);
                              lines.emplace_back(l, m);
                          }};
    }
    std::vector<std::string> messages(std::optional<LogHandler::LogLevel> level = std::nullopt) {
        std::lock_guard guard(lock);
        std::vector<std::string> out;
        for (const auto& [l, m] : lines)
            if (!level || l == *level) out.push_back(m);
        return out;
    }
    bool contains(const std::string& part) {
        for (const auto& m : messages())
            if (m.find(part) != std::string::npos) return true;
        return false;
    }
};

// A configuration that reaches nothing outside its temporary folder: its own cache and
// config folders, a scheduler the test moves, fixed machine, locale and clock.
struct ClientFixture : ::testing::Test {
    keepsift::testing::TemporaryFolder folder;
    std::shared_ptr<ManualScheduler> scheduler = std::make_shared<ManualScheduler>();
    std::shared_ptr<MutableClock> clock = std::make_shared<MutableClock>("2026-12-05T17:10:42Z");
    LogLines logs;

    ClientFixture() {
        ::setenv("XDG_CACHE_HOME", (folder.path() / "cache").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (folder.path() / "config").c_str(), 1);
    }

    std::shared_ptr<PayloadSources> sources() {
        auto sources = std::make_shared<PayloadSources>();
        sources->root = folder.path() / "root";
        sources->environment = [](const char* name) -> std::optional<std::string> {
            if (std::string_view(name) == "LANG") return "de_DE.UTF-8";
            return std::nullopt;
        };
        sources->display = std::make_shared<DisplayFactsProvider>();
        sources->offsetSeconds = [](Date) { return 3600; };
        sources->appVersion = "1.2";
        sources->buildNumber = "42";
        return sources;
    }

    std::shared_ptr<TelemetryManagerConfiguration>
    configuration(std::optional<std::string> baseURL = std::nullopt) {
        auto c = std::make_shared<TelemetryManagerConfiguration>("APP-1", "salt", baseURL);
        c->scheduler.set(scheduler);
        c->clock.set(clock);
        c->payloadSources.set(sources());
        c->logHandler.set(logs.handler());
        return c;
    }

    std::filesystem::path backupFile() const {
        return folder.path() / "cache/com.ambervale.keepsift/telemetrysignalcache";
    }
};

} // namespace keepsift::analytics::testing
