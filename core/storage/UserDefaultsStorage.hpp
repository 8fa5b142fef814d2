#pragma once

#include <memory>

#include "core/storage/KeyValueStorage.hpp"
#include "core/storage/UserDefaults.hpp"

namespace keepsift {

class UserDefaultsStorage : public KeyValueStorage {
public:
    explicit UserDefaultsStorage(std::shared_ptr<UserDefaults> defaults);

    std::optional<Data> data(const std::string& key) const override;
    void set(const std::optional<Data>& data, const std::string& key) override;

private:
    std::shared_ptr<UserDefaults> defaults_;
};

} // namespace keepsift
