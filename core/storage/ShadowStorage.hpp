#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "core/storage/KeyValueStorage.hpp"

namespace keepsift {

// Reads through to a base storage and keeps every write to itself: the base never changes.
class ShadowStorage : public KeyValueStorage {
public:
    explicit ShadowStorage(std::shared_ptr<KeyValueStorage> base);

    std::optional<Data> data(const std::string& key) const override;
    void set(const std::optional<Data>& data, const std::string& key) override;

    // Keys written through the overlay, removals included, in ascending order.
    std::vector<std::string> writtenKeys() const;

private:
    std::shared_ptr<KeyValueStorage> base_;
    std::map<std::string, std::optional<Data>> written_;
    mutable std::mutex lock_;
};

} // namespace keepsift
