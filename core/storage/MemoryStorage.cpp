#include "core/storage/MemoryStorage.hpp"

namespace keepsift {

MemoryStorage::MemoryStorage(std::map<std::string, Data> values) : values_(std::move(values)) {}

std::optional<Data> MemoryStorage::data(const std::string& key) const {
    std::lock_guard guard(lock_);
    const auto found = values_.find(key);
    if (found == values_.end()) return std::nullopt;
    return found->second;
}

void MemoryStorage::set(const std::optional<Data>& data, const std::string& key) {
    std::lock_guard guard(lock_);
    if (data)
        values_[key] = *data;
    else
        values_.erase(key);
}

} // namespace keepsift
