#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "core/settings/Settings.hpp"
#include "core/storage/KeyValueStorage.hpp"
#include "core/store/TelemetryMemory.hpp"

namespace keepsift {

// Keeps the settings, the telemetry memory and the first-run flag as JSON records in
// key-value storage. Dates are seconds since 2001. No operation fails.
class KeepsiftStore {
public:
    static constexpr std::string_view settingsKey = "keepsift.settings";
    static constexpr std::string_view telemetryMemoryKey = "keepsift.telemetryMemory";
    static constexpr std::string_view seenFirstRunNoticeKey = "keepsift.seenFirstRunNotice";

    KeepsiftStore(std::shared_ptr<KeyValueStorage> storage, std::string systemLanguage);

    // Cached after the first read; defaults in the system language are written back when
    // nothing usable is stored.
    Settings settings();
    void saveSettings(const Settings& settings);

    TelemetryMemory telemetryMemory();
    void saveTelemetryMemory(const TelemetryMemory& memory);

    bool hasSeenFirstRunNotice();
    void setSeenFirstRunNotice(bool seen);

    // Nothing when the key is absent or its data does not decode.
    template <class T>
    std::optional<T> load(const std::string& key, const std::function<T(const Json&)>& decode);

private:
    void store(const std::function<Json()>& encode, const std::string& key);

    std::shared_ptr<KeyValueStorage> storage_;
    std::optional<Settings> cachedSettings_;
    std::string systemLanguage_;
    std::mutex lock_;
    // Keeps the cached and the stored settings in the same order when saves overlap;
    // taken before lock_, never inside it, and the storage never calls back.
    std::mutex settingsWrites_;
};

template <class T>
std::optional<T> KeepsiftStore::load(const std::string& key,
                                     const std::function<T(const Json&)>& decode) {
    const std::optional<Data> data = storage_->data(key);
    if (!data) return std::nullopt;
    try {
        return decode(Json::parse(*data));
    } catch (const JsonError&) {
        return std::nullopt;
    }
}

} // namespace keepsift
