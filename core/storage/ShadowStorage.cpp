#include "core/storage/ShadowStorage.hpp"

#include "core/storage/SortedKeys.hpp"

namespace keepsift {

ShadowStorage::ShadowStorage(std::shared_ptr<KeyValueStorage> base) : base_(std::move(base)) {}

std::optional<Data> ShadowStorage::data(const std::string& key) const {
    {
        std::lock_guard guard(lock_);
        const auto found = written_.find(key);
        if (found != written_.end()) return found->second;
    }
    return base_->data(key);
}

void ShadowStorage::set(const std::optional<Data>& data, const std::string& key) {
    std::lock_guard guard(lock_);
    written_[key] = data;
}

std::vector<std::string> ShadowStorage::writtenKeys() const {
    std::lock_guard guard(lock_);
    return sortedKeys(written_);
}

} // namespace keepsift
