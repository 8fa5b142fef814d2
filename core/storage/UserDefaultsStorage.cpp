#include "core/storage/UserDefaultsStorage.hpp"

namespace keepsift {

UserDefaultsStorage::UserDefaultsStorage(std::shared_ptr<UserDefaults> defaults)
    : defaults_(std::move(defaults)) {}

std::optional<Data> UserDefaultsStorage::data(const std::string& key) const {
    return defaults_->dataForKey(key);
}

void UserDefaultsStorage::set(const std::optional<Data>& data, const std::string& key) {
    if (data)
        defaults_->setObject(*data, key);
    else
        defaults_->removeObject(key);
}

} // namespace keepsift
