#include "telemetry/client/SignalCache.hpp"

#include <mutex>

#include "core/support/Json.hpp"
#include "platform/files/AtomicFile.hpp"
#include "platform/files/PrivateFiles.hpp"
#include "platform/files/ReplacedPlace.hpp"
#include "platform/files/XdgFolders.hpp"

namespace keepsift::analytics {
namespace {

using Level = LogHandler::LogLevel;

std::size_t limitOf(std::int64_t cacheLimit) {
    return cacheLimit < 0 ? 0 : static_cast<std::size_t>(cacheLimit);
}

} // namespace

SignalCache::SignalCache(std::optional<LogHandler> logHandler, std::int64_t cacheLimit,
                         std::optional<std::filesystem::path> cacheFile)
    : logHandler_(std::move(logHandler)), cacheLimit_(limitOf(cacheLimit)),
      cacheFile_(std::move(cacheFile)) {
    std::unique_lock guard(lock_);
    loadFromDisk();
}

void SignalCache::log(Level level, const std::string& message) const {
    if (logHandler_) logHandler_->log(level, message);
}

void SignalCache::trimLocked() {
    if (cachedSignals_.size() > cacheLimit_)
        cachedSignals_.erase(cachedSignals_.begin(),
                             cachedSignals_.begin() +
                                 static_cast<std::ptrdiff_t>(cachedSignals_.size() - cacheLimit_));
}

void SignalCache::push(SignalPostBody record) {
    std::unique_lock guard(lock_);
    cachedSignals_.push_back(std::move(record));
    trimLocked();
}

void SignalCache::push(std::vector<SignalPostBody> records) {
    std::unique_lock guard(lock_);
    for (auto& record : records)
        cachedSignals_.push_back(std::move(record));
    trimLocked();
}

std::vector<SignalPostBody> SignalCache::pop() {
    std::unique_lock guard(lock_);
    const std::size_t n = std::min(cachedSignals_.size(), maximumNumberOfSignalsToPopAtOnce);
    std::vector<SignalPostBody> batch(
        std::make_move_iterator(cachedSignals_.begin()),
        std::make_move_iterator(cachedSignals_.begin() + static_cast<std::ptrdiff_t>(n)));
    cachedSignals_.erase(cachedSignals_.begin(),
                         cachedSignals_.begin() + static_cast<std::ptrdiff_t>(n));
    return batch;
}

std::size_t SignalCache::count() const {
    std::shared_lock guard(lock_);
    return cachedSignals_.size();
}

std::optional<std::filesystem::path> SignalCache::makeCacheFileURL() const {
    if (cacheFile_) return cacheFile_;
    try {
        return xdgCacheHome() / "com.ambervale.keepsift" / "telemetrysignalcache";
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void SignalCache::loadFromDisk() {
    const auto file = makeCacheFileURL();
    if (!file) {
        log(Level::error, "Failed to get disk cache url from FileManager.");
        return;
    }
    log(Level::info, "Loading Telemetry cache from: " + file->string());
    // Larger than any cache this client writes, or anything but a file of its own.
    const auto [data, problem] = readPrivateFile(*file, largestBackupBytes);
    std::error_code error;
    if (!problem.empty()) {
        std::filesystem::remove(*file, error);
        log(Level::error, "Deleted a Telemetry cache unread: " + problem);
        return;
    }
    if (!data) return;
    // A link to it stays, for the next save to write where it leads.
    std::filesystem::remove(replacedPlace(*file).value_or(*file), error);
    std::vector<SignalPostBody> records;
    try {
        records = decodeBackup(*data);
    } catch (const JsonError& failure) {
        log(Level::error,
            std::string("Discarded an unreadable Telemetry cache: ") + failure.what());
        return;
    }
    log(Level::info, "Loaded " + std::to_string(records.size()) + " signals");
    for (auto& record : records)
        cachedSignals_.push_back(std::move(record));
    trimLocked();
}

void SignalCache::saveToDisk() {
    std::unique_lock guard(lock_);
    const std::string data = encodeBackup(cachedSignals_);
    const auto file = makeCacheFileURL();
    try {
        if (!file) throw std::runtime_error("no cache folder");
        if (auto error = makePrivateFolder(file->parent_path()))
            throw std::system_error(error, file->parent_path().string());
        replaceFileAtomically(*file, data);
    } catch (const std::exception&) {
        log(Level::error, "Error saving Telemetry cache");
        return;
    }
    log(Level::info, "Saved Telemetry cache " + std::to_string(data.size()) + " bytes of " +
                         std::to_string(cachedSignals_.size()) + " signals");
    cachedSignals_.clear();
}

} // namespace keepsift::analytics
