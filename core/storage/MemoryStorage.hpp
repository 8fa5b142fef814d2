#pragma once

#include <map>
#include <mutex>

#include "core/storage/KeyValueStorage.hpp"

namespace keepsift {

class MemoryStorage : public KeyValueStorage {
public:
    explicit MemoryStorage(std::map<std::string, Data> values = {});

    std::optional<Data> data(const std::string& key) const override;
    void set(const std::optional<Data>& data, const std::string& key) override;

private:
    std::map<std::string, Data> values_;
    mutable std::mutex lock_;
};

} // namespace keepsift
