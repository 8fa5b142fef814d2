#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>

#include "core/storage/UserDefaults.hpp"
#include "core/support/Json.hpp"

namespace keepsift {

// User defaults as one JSON document per domain, data values stored as base64 text. The
// file is read once at creation and replaced atomically on every change. Safe from any
// thread.
class FileUserDefaults : public UserDefaults {
public:
    explicit FileUserDefaults(std::filesystem::path file);
    // $XDG_CONFIG_HOME/<domain>/defaults.json, ~/.config when the variable is unset.
    static std::filesystem::path standardFile(std::string_view domain);

    std::optional<Data> dataForKey(const std::string& key) const override;
    void setObject(const Data& data, const std::string& key) override;
    void removeObject(const std::string& key) override;

private:
    void load();
    // Nothing when the file's content cannot be had: it is moved aside instead.
    void keepUnreadable(const std::optional<std::string>& content);
    void change(const std::string& key, std::optional<Json> value);
    void persist(std::uint64_t generation, const std::string& text);

    std::filesystem::path file_;
    // Values that are not base64 text are kept as they are and read as nothing.
    std::map<std::string, Json> values_;
    std::uint64_t generation_ = 0;
    mutable std::mutex lock_;
    std::mutex writeLock_; // orders file replacements; never taken under lock_
    std::uint64_t written_ = 0;
};

} // namespace keepsift
