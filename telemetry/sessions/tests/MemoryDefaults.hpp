#pragma once

#include <map>
#include <mutex>

#include "core/storage/UserDefaults.hpp"

namespace keepsift::analytics::testing {

// Defaults held in memory, counting the writes.
class MemoryDefaults : public UserDefaults {
public:
    std::optional<Data> dataForKey(const std::string& key) const override {
        std::lock_guard guard(lock_);
        const auto found = values_.find(key);
        if (found == values_.end()) return std::nullopt;
        return found->second;
    }
    void setObject(const Data& data, const std::string& key) override {
        std::lock_guard guard(lock_);
        values_[key] = data;
        ++writes_;
    }
    void removeObject(const std::string& key) override {
        std::lock_guard guard(lock_);
        values_.erase(key);
        ++writes_;
    }
    int writes() const {
        std::lock_guard guard(lock_);
        return writes_;
    }

private:
    mutable std::mutex lock_;
    std::map<std::string, Data> values_;
    int writes_ = 0;
};

} // namespace keepsift::analytics::testing
