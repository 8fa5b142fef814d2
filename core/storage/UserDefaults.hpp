#pragma once

#include <optional>
#include <string>

#include "core/storage/Data.hpp"

namespace keepsift {

// The small part of the platform's user defaults that the key-value storage uses.
// Implementations are safe to use from any thread.
class UserDefaults {
public:
    virtual ~UserDefaults() = default;
    // A key that holds anything but data reads as nothing.
    virtual std::optional<Data> dataForKey(const std::string& key) const = 0;
    virtual void setObject(const Data& data, const std::string& key) = 0;
    virtual void removeObject(const std::string& key) = 0;
};

} // namespace keepsift
