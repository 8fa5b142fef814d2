#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <optional>
#include <shared_mutex>
#include <vector>

#include "telemetry/client/LogHandler.hpp"
#include "telemetry/client/SignalPostBody.hpp"

namespace keepsift::analytics {

// The signals between processing and upload: a first-in-first-out list holding at most
// cacheLimit of the newest, taken in batches of at most 100, with a disk backup written at
// termination and read back (and deleted) when the next cache is made. Safe from any
// thread; no disk failure reaches the caller.
class SignalCache {
public:
    static constexpr std::size_t maximumNumberOfSignalsToPopAtOnce = 100;
    // A backup larger than this is no backup of ours: it is deleted unread.
    static constexpr std::uintmax_t largestBackupBytes = 128ull * 1024 * 1024;

    SignalCache(std::optional<LogHandler> logHandler, std::int64_t cacheLimit,
                std::optional<std::filesystem::path> cacheFile = std::nullopt);

    void push(SignalPostBody record);
    void push(std::vector<SignalPostBody> records);
    std::vector<SignalPostBody> pop();
    std::size_t count() const;

    // The backup file: the given one, else "telemetrysignalcache" in the user's cache
    // folder for the application. Nothing when there is no such folder.
    std::optional<std::filesystem::path> makeCacheFileURL() const;
    // Writes every cached record and empties the cache; on failure keeps them.
    void saveToDisk();

private:
    void loadFromDisk();
    void trimLocked();
    void log(LogHandler::LogLevel level, const std::string& message) const;

    const std::optional<LogHandler> logHandler_;
    const std::size_t cacheLimit_;
    const std::optional<std::filesystem::path> cacheFile_;
    mutable std::shared_mutex lock_;
    std::deque<SignalPostBody> cachedSignals_;
};

} // namespace keepsift::analytics
