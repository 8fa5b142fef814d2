#pragma once

#include <optional>
#include <string>

#include "core/storage/Data.hpp"

namespace keepsift {

// Opaque data under string keys; shared by reference, never fails.
class KeyValueStorage {
public:
    virtual ~KeyValueStorage() = default;
    virtual std::optional<Data> data(const std::string& key) const = 0;
    // Nothing removes the key.
    virtual void set(const std::optional<Data>& data, const std::string& key) = 0;
};

} // namespace keepsift
