#include "core/store/KeepsiftStore.hpp"

#include "core/support/Logger.hpp"

namespace keepsift {
namespace {

const Logger& log() {
    static const Logger logger("com.ambervale.keepsift", "store");
    return logger;
}

constexpr DateForm storeDates = DateForm::secondsSince2001;

Settings decodeSettings(const Json& json) {
    return Settings::fromJson(json);
}
TelemetryMemory decodeMemory(const Json& json) {
    return TelemetryMemory::fromJson(json, storeDates);
}
bool decodeFlag(const Json& json) {
    return json.asBool();
}

} // namespace

KeepsiftStore::KeepsiftStore(std::shared_ptr<KeyValueStorage> storage, std::string systemLanguage)
    : storage_(std::move(storage)), systemLanguage_(std::move(systemLanguage)) {}

Settings KeepsiftStore::settings() {
    {
        std::lock_guard guard(lock_);
        if (cachedSettings_) return *cachedSettings_;
    }
    const auto stored = load<Settings>(std::string(settingsKey), decodeSettings);
    Settings result = stored.value_or(Settings{});
    if (!stored) result.language = systemLanguage_;
    std::lock_guard order(settingsWrites_);
    {
        std::lock_guard guard(lock_);
        // A save that ran meanwhile wins over what was read before it.
        if (cachedSettings_) return *cachedSettings_;
        cachedSettings_ = result;
    }
    if (stored) return result;
    if (storage_->data(std::string(settingsKey)))
        log().notice("stored settings cannot be read; replacing them with the defaults");
    store([&] { return result.toJson(); }, std::string(settingsKey));
    return result;
}

void KeepsiftStore::saveSettings(const Settings& settings) {
    std::lock_guard order(settingsWrites_);
    {
        std::lock_guard guard(lock_);
        cachedSettings_ = settings;
    }
    store([&] { return settings.toJson(); }, std::string(settingsKey));
}

TelemetryMemory KeepsiftStore::telemetryMemory() {
    return load<TelemetryMemory>(std::string(telemetryMemoryKey), decodeMemory)
        .value_or(TelemetryMemory{});
}

void KeepsiftStore::saveTelemetryMemory(const TelemetryMemory& memory) {
    store([&] { return memory.toJson(storeDates); }, std::string(telemetryMemoryKey));
}

bool KeepsiftStore::hasSeenFirstRunNotice() {
    return load<bool>(std::string(seenFirstRunNoticeKey), decodeFlag).value_or(false);
}

void KeepsiftStore::setSeenFirstRunNotice(bool seen) {
    store([seen] { return Json(seen); }, std::string(seenFirstRunNoticeKey));
}

void KeepsiftStore::store(const std::function<Json()>& encode, const std::string& key) {
    std::optional<Data> data;
    try {
        data = encode().dump();
    } catch (const JsonError&) {
    }
    storage_->set(data, key);
}

} // namespace keepsift
